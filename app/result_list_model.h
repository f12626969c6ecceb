#pragma once

// The Users and the Locks list of a query as Qt table models. The query
// appends rows through ResultList; the window shows them in report-style
// views and hands header clicks to ColumnClicked.

#include <QAbstractTableModel>
#include <vector>

#include "query/result_list.h"
#include "query/result_sort.h"

class ResultListModel final : public QAbstractTableModel, public ResultList {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListModel)

public:
    enum class Kind { Users, Locks };
    // Every cell of a row answers this role with the row's connection number.
    static constexpr int kConnectionRole = Qt::UserRole;

    explicit ResultListModel(Kind kind, QObject* parent = nullptr);

    Kind ListKind() const { return m_kind; }

    // ResultList: emptied with a model reset. Rows appended while the model
    // holds back are kept aside and shown by Publish in one insert; otherwise
    // each append is an insert of its own.
    void Clear() override;
    void Append(ResultRow row) override;
    std::size_t RowCount() const override { return m_rows.size(); }
    const ResultRow& Row(std::size_t index) const override { return m_rows[index]; }

    // While a query runs the view is not painted row by row, and an insert per
    // row would make it lay out rows nobody sees: rows wait for Publish.
    void HoldBack(bool hold);
    void Publish();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Sorts by column in the given order, leaving the remembered directions.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // A click on a column header: sorts by the column in the direction it
    // remembers, then reverses that direction for the next click. The order
    // used is returned, for the header's indicator.
    Qt::SortOrder ColumnClicked(int column);

    // Reorders the rows by a sort parameter (column plus direction value);
    // rows that compare equal keep their order, selections follow their rows.
    void SortRows(int sortParameter);

private:
    Kind m_kind;
    RowCompare m_compare;
    int m_columns;
    // Every row, the published ones first: the views see only the first
    // m_published, the query all of them.
    std::vector<ResultRow> m_rows;
    std::size_t m_published = 0;
    bool m_holdBack = false;
    SortDirections m_directions;
};
