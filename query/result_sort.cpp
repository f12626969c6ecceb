#include "query/result_sort.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace {

enum class ColumnKind { Number, Text, None };

ColumnKind UsersKind(int column) {
    switch (static_cast<UsersColumn>(column)) {
        case UsersColumn::Conn:
            return ColumnKind::Number;
        case UsersColumn::FileName:
        case UsersColumn::UserName:
        case UsersColumn::LoginTime:
        case UsersColumn::Address:
        case UsersColumn::FullName:  // sorts like "User Name"
            return ColumnKind::Text;
        default:
            return ColumnKind::None;
    }
}

ColumnKind LocksKind(int column) {
    switch (static_cast<LocksColumn>(column)) {
        case LocksColumn::Conn:
        case LocksColumn::StartPosition:
        case LocksColumn::EndPosition:
        case LocksColumn::Task:
            return ColumnKind::Number;
        case LocksColumn::FileName:
        case LocksColumn::UserName:
        case LocksColumn::LockType:  // a number shown as text: "10" before "9"
            return ColumnKind::Text;
        default:
            return ColumnKind::None;
    }
}

int Compare(const ResultRow& a, const ResultRow& b, int sortParameter,
            ColumnKind (*kindOf)(int)) {
    const bool descending = (sortParameter & kSortDescending) != 0;
    const int sign = descending ? -1 : 1;
    const int column = descending ? sortParameter - kSortDescending : sortParameter;
    if (column < 0 || static_cast<std::size_t>(column) >= kMaxResultColumns) return 0;
    const std::string_view x = a.Cell(static_cast<std::size_t>(column));
    const std::string_view y = b.Cell(static_cast<std::size_t>(column));
    switch (kindOf(column)) {
        case ColumnKind::Number: {
            const double vx = LeadingNumber(x);
            const double vy = LeadingNumber(y);
            if (vx < vy) return -sign;
            if (vx > vy) return sign;
            return 0;
        }
        case ColumnKind::Text:
            return sign * CompareFoldedText(x, y);
        case ColumnKind::None:
            break;
    }
    return 0;
}

unsigned char Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Only digits and a point may start the number: no "inf", "nan" or hex.
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                           std::chars_format::general);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (ec != std::errc()) return 0;
    return negative ? -value : value;
}

int CompareFoldedText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Fold(a[i]);
        const unsigned char y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int UsersCompare(const ResultRow& a, const ResultRow& b, int sortParameter) {
    return Compare(a, b, sortParameter, UsersKind);
}

int LocksCompare(const ResultRow& a, const ResultRow& b, int sortParameter) {
    return Compare(a, b, sortParameter, LocksKind);
}

int SortDirections::Click(int column) {
    if (column < 0 || column >= kColumns) return column;
    int& direction = m_direction[static_cast<std::size_t>(column)];
    const int parameter = column + direction;
    direction = direction == 0 ? kSortDescending : 0;
    return parameter;
}

int SortDirections::Direction(int column) const {
    if (column < 0 || column >= kColumns) return 0;
    return m_direction[static_cast<std::size_t>(column)];
}

// The two lists' own orders read each row's sort key once, not at every one
// of the n log n comparisons: the keys sit together instead of in every
// row's own block. Any other compare is called as it is.
std::vector<std::size_t> SortedOrder(const ResultList& list, RowCompare compare,
                                     int sortParameter) {
    const std::size_t count = list.RowCount();
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});

    const bool descending = (sortParameter & kSortDescending) != 0;
    const int column = descending ? sortParameter - kSortDescending : sortParameter;
    ColumnKind kind = ColumnKind::None;
    const bool known = compare == UsersCompare || compare == LocksCompare;
    if (known && column >= 0 && static_cast<std::size_t>(column) < kMaxResultColumns) {
        kind = compare == UsersCompare ? UsersKind(column) : LocksKind(column);
    }
    const auto cell = [&](std::size_t row) {
        return list.Row(row).Cell(static_cast<std::size_t>(column));
    };
    if (known && kind == ColumnKind::Number) {
        std::vector<double> keys(count);
        for (std::size_t i = 0; i < count; ++i) keys[i] = LeadingNumber(cell(i));
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            return descending ? keys[x] > keys[y] : keys[x] < keys[y];
        });
    } else if (known && kind == ColumnKind::Text) {
        std::vector<std::string_view> keys(count);
        for (std::size_t i = 0; i < count; ++i) keys[i] = cell(i);
        const int sign = descending ? -1 : 1;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            return sign * CompareFoldedText(keys[x], keys[y]) < 0;
        });
    } else if (!known) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            return compare(list.Row(x), list.Row(y), sortParameter) < 0;
        });
    }
    // A known list's position without a kind compares all rows equal: scan order stays.
    return order;
}
