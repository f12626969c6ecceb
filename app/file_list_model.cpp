#include "app/file_list_model.h"

#include <algorithm>
#include <vector>

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

void FileListModel::Clear() {
    if (m_items.isEmpty()) return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

void FileListModel::SetFiles(std::vector<std::string> captions) {
    // Each caption folded once, not at every comparison.
    struct Item {
        QString folded;
        QString caption;
    };
    std::vector<Item> sorted;
    sorted.reserve(captions.size());
    for (const std::string& caption : captions) {
        QString text = QString::fromStdString(caption);
        sorted.push_back({text.toCaseFolded(), std::move(text)});
    }
    const auto before = [](const Item& a, const Item& b) {
        const int folded = a.folded.compare(b.folded);
        return folded != 0 ? folded < 0 : a.caption < b.caption;
    };
    // A directory most often lists its entries in order already.
    if (!std::is_sorted(sorted.begin(), sorted.end(), before))
        std::sort(sorted.begin(), sorted.end(), before);
    QStringList items;
    items.reserve(static_cast<qsizetype>(sorted.size()));
    for (Item& item : sorted) items.push_back(std::move(item.caption));
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

std::string FileListModel::Caption(std::size_t index) const {
    return m_items.at(static_cast<qsizetype>(index)).toStdString();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_items.size() || role != Qt::DisplayRole) return {};
    return m_items[index.row()];
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("File Name");
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
