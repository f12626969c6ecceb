#include "app/file_list_model.h"

#include <algorithm>

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

void FileListModel::Clear() {
    if (m_items.isEmpty()) return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

void FileListModel::SetFiles(std::vector<std::string> captions) {
    QStringList items;
    items.reserve(static_cast<qsizetype>(captions.size()));
    for (const std::string& caption : captions) items.push_back(QString::fromStdString(caption));
    std::sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
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
