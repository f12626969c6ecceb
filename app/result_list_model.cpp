#include "app/result_list_model.h"

#include <array>

namespace {

constexpr std::array<const char*, kUsersColumnCount> kUsersHeaders = {
    "Conn", "File Name", "User Name", "Login Time", "Address", "Full Name"};
constexpr std::array<const char*, kLocksColumnCount> kLocksHeaders = {
    "Conn", "File Name", "User Name", "Lock Type", "Start Position", "End Position", "Task"};

}  // namespace

ResultListModel::ResultListModel(Kind kind, QObject* parent)
    : QAbstractTableModel(parent),
      m_kind(kind),
      m_compare(kind == Kind::Users ? UsersCompare : LocksCompare),
      m_columns(static_cast<int>(kind == Kind::Users ? kUsersColumnCount : kLocksColumnCount)) {}

// The emptied list keeps its room: the next query, most often the same one
// again, fills it without growing it (and touching fresh pages) step by step.
// A list far larger than the query that follows is trimmed when that query
// ends (HoldBack(false)).
void ResultListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_published = 0;
    endResetModel();
}

void ResultListModel::HoldBack(bool hold) {
    m_holdBack = hold;
    if (hold) return;
    Publish();
    if (m_rows.capacity() > 2 * m_rows.size() + 64) m_rows.shrink_to_fit();
}

void ResultListModel::Publish() {
    if (m_published == m_rows.size()) return;
    // The rows are in place already; the views see them from endInsertRows on.
    beginInsertRows(QModelIndex(), static_cast<int>(m_published),
                    static_cast<int>(m_rows.size()) - 1);
    m_published = m_rows.size();
    endInsertRows();
}

void ResultListModel::Append(ResultRow row) {
    m_rows.push_back(std::move(row));
    if (!m_holdBack) Publish();
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_published);
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const ResultRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        {
            const std::string_view text = row.Cell(static_cast<std::size_t>(index.column()));
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        case kConnectionRole:
            return static_cast<uint>(row.connection);
        default:
            return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_columns) {
        return {};
    }
    const auto index = static_cast<std::size_t>(section);
    return QString::fromLatin1(m_kind == Kind::Users ? kUsersHeaders[index]
                                                     : kLocksHeaders[index]);
}

void ResultListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= m_columns) return;
    SortRows(column + (order == Qt::DescendingOrder ? kSortDescending : 0));
}

Qt::SortOrder ResultListModel::ColumnClicked(int column) {
    const int parameter = m_directions.Click(column);
    SortRows(parameter);
    return (parameter & kSortDescending) != 0 ? Qt::DescendingOrder : Qt::AscendingOrder;
}

void ResultListModel::SortRows(int sortParameter) {
    Publish();
    if (m_rows.size() < 2) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    const std::vector<std::size_t> order = SortedOrder(*this, m_compare, sortParameter);
    std::vector<int> newPosition(order.size());
    std::vector<ResultRow> sorted;
    sorted.reserve(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newPosition[order[i]] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[order[i]]));
    }
    m_rows = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after.append(this->index(newPosition[static_cast<std::size_t>(index.row())],
                                 index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
