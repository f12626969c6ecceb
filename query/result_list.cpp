#include "query/result_list.h"

void ResultRow::SetCells(std::initializer_list<std::string_view> cells) {
    std::size_t size = 0;
    for (std::string_view cell : cells) size += cell.size();
    m_text.clear();
    m_text.reserve(size);
    std::size_t column = 0;
    for (std::string_view cell : cells) {
        if (column == kMaxResultColumns) break;
        m_text += cell;
        m_ends[column++] = static_cast<std::uint32_t>(m_text.size());
    }
    for (; column < kMaxResultColumns; ++column) {
        m_ends[column] = static_cast<std::uint32_t>(m_text.size());
    }
}

void ResultRow::SetCell(std::size_t column, std::string_view text) {
    const std::vector<std::string> cells = Cells();
    std::array<std::string_view, kMaxResultColumns> views;
    for (std::size_t i = 0; i < kMaxResultColumns; ++i) views[i] = i == column ? text : cells[i];
    static_assert(kMaxResultColumns == 7);
    SetCells({views[0], views[1], views[2], views[3], views[4], views[5], views[6]});
}

std::vector<std::string> ResultRow::Cells() const {
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < kMaxResultColumns; ++i) cells.emplace_back(Cell(i));
    return cells;
}
