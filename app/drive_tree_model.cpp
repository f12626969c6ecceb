#include "app/drive_tree_model.h"

#include <QApplication>
#include <QStyle>

DriveTreeModel::DriveTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    for (int i = 0; i < kNodeImageCount; ++i) m_images[static_cast<std::size_t>(i)] = Image(static_cast<NodeImage>(i));
}

QIcon DriveTreeModel::Image(NodeImage image) {
    struct Kind {
        const char* themeName;  // freedesktop icon naming
        QStyle::StandardPixmap fallback;
    };
    static constexpr std::array<Kind, kNodeImageCount> kKinds{{
        {"folder", QStyle::SP_DirIcon},
        {"text-x-generic", QStyle::SP_FileIcon},
        {"drive-harddisk", QStyle::SP_DriveHDIcon},
        {"folder-remote", QStyle::SP_DirLinkIcon},
        {"network-server", QStyle::SP_DriveNetIcon},
        {"computer", QStyle::SP_ComputerIcon},
    }};
    const Kind& kind = kKinds[static_cast<std::size_t>(image)];
    const QIcon fallback = QApplication::style()->standardIcon(kind.fallback);
    return QIcon::fromTheme(QString::fromLatin1(kind.themeName), fallback);
}

TreeNode* DriveTreeModel::NodeAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex DriveTreeModel::IndexOf(const TreeNode* node) const {
    return node ? createIndex(node->row, 0, const_cast<TreeNode*>(node)) : QModelIndex();
}

QModelIndex DriveTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const auto& children = Children(NodeAt(parent));
    if (row >= static_cast<int>(children.size())) return {};
    return createIndex(row, 0, children[static_cast<std::size_t>(row)].get());
}

QModelIndex DriveTreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = NodeAt(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int DriveTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return static_cast<int>(Children(NodeAt(parent)).size());
}

int DriveTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant DriveTreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = NodeAt(index);
    if (!node) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return QString::fromStdString(node->text);
        case Qt::DecorationRole:
            // A placeholder shows no image of its own.
            if (!node->record) return {};
            return m_images[static_cast<std::size_t>(node->image)];
        default: return {};
    }
}

Qt::ItemFlags DriveTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void DriveTreeModel::BeginInsert(TreeNode* parent, int first, int last) {
    beginInsertRows(IndexOf(parent), first, last);
}
void DriveTreeModel::EndInsert() { endInsertRows(); }
void DriveTreeModel::BeginRemove(TreeNode* parent, int row) {
    beginRemoveRows(IndexOf(parent), row, row);
}
void DriveTreeModel::EndRemove() { endRemoveRows(); }
void DriveTreeModel::BeginMove(TreeNode* parent, int from, int to) {
    const QModelIndex p = IndexOf(parent);
    beginMoveRows(p, from, from, p, to);
}
void DriveTreeModel::EndMove() { endMoveRows(); }
void DriveTreeModel::BeginReset() { beginResetModel(); }
void DriveTreeModel::EndReset() { endResetModel(); }
