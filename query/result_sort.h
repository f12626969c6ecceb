#pragma once

// Ordering of the result lists by a clicked column. A sort parameter is the
// column position plus that column's direction value: 0 ascending, 256
// (bit 0x100) descending.

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "query/result_list.h"

inline constexpr int kSortDescending = 0x100;

// Negative, 0 or positive. Number columns compare the leading decimal number
// of their texts, text columns their bytes with a-z folded to A-Z; a position
// without a kind compares equal.
int UsersCompare(const ResultRow& a, const ResultRow& b, int sortParameter);
int LocksCompare(const ResultRow& a, const ResultRow& b, int sortParameter);

using RowCompare = int (*)(const ResultRow&, const ResultRow&, int);

// The leading number of a text in the usual floating-point notation (leading
// blanks skipped); 0 when the text does not begin with one.
double LeadingNumber(std::string_view text);

// Byte-wise comparison, unsigned, with a-z folded: -1, 0 or +1.
int CompareFoldedText(std::string_view a, std::string_view b);

// The remembered direction of every column of one list. Each click sorts by
// the column's remembered direction and then reverses it for the next click.
class SortDirections final {
public:
    static constexpr int kColumns = 10;

    // The sort parameter for a click on column; reverses that column's
    // direction. A column beyond the table sorts ascending and is not kept.
    int Click(int column);
    int Direction(int column) const;

private:
    std::array<int, kColumns> m_direction{};
};

// Row positions of list in the order compare puts them; rows that compare
// equal keep their present order.
std::vector<std::size_t> SortedOrder(const ResultList& list, RowCompare compare,
                                     int sortParameter);
