#include "query/row_table.h"

void RowTable::Sort(RowCompare compare, int sortParameter) {
    const std::vector<std::size_t> order = SortedOrder(*this, compare, sortParameter);
    std::vector<ResultRow> sorted;
    sorted.reserve(m_rows.size());
    for (std::size_t index : order) sorted.push_back(std::move(m_rows[index]));
    m_rows = std::move(sorted);
}
