#pragma once

// The browser tree as a Qt model for tvwDrives: the nodes of NodeTree, each
// row's text and one of the six images. Rows only move as the browser logic
// adds, attaches and deletes; an unloaded node shows its expand mark through
// its real placeholder row.

#include <QAbstractItemModel>
#include <QIcon>
#include <array>

#include "browser/node_tree.h"

class DriveTreeModel final : public QAbstractItemModel, public NodeTree {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DriveTreeModel)

public:
    explicit DriveTreeModel(QObject* parent = nullptr);

    TreeNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const TreeNode* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The image of a kind: the desktop theme's icon, or the style's own when
    // no theme has one.
    static QIcon Image(NodeImage image);

protected:
    void BeginInsert(TreeNode* parent, int first, int last) override;
    void EndInsert() override;
    void BeginRemove(TreeNode* parent, int row) override;
    void EndRemove() override;
    void BeginMove(TreeNode* parent, int from, int to) override;
    void EndMove() override;
    void BeginReset() override;
    void EndReset() override;

private:
    std::array<QIcon, kNodeImageCount> m_images;
};
