#pragma once

// A result list held in memory with no display: what tests and the bare
// benchmark fill instead of the window's models.

#include <vector>

#include "query/result_list.h"
#include "query/result_sort.h"

class RowTable final : public ResultList {
public:
    void Clear() override { m_rows.clear(); }
    void Append(ResultRow row) override { m_rows.push_back(std::move(row)); }
    std::size_t RowCount() const override { return m_rows.size(); }
    const ResultRow& Row(std::size_t index) const override { return m_rows[index]; }

    void Sort(RowCompare compare, int sortParameter);

private:
    std::vector<ResultRow> m_rows;
};
