#pragma once

// The file list beside the browser tree (lvwFiles): one column "File Name",
// its items kept in the list's own text order (case-insensitive, then by
// case), replaced whole by each listing.

#include <QAbstractListModel>
#include <QStringList>

#include "browser/browser_window.h"

class FileListModel final : public QAbstractListModel, public FileList {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileListModel)

public:
    explicit FileListModel(QObject* parent = nullptr);

    void Clear() override;
    void SetFiles(std::vector<std::string> captions) override;
    std::size_t Count() const override { return static_cast<std::size_t>(m_items.size()); }
    std::string Caption(std::size_t index) const override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_items;
};
