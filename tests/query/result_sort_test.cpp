#include "query/result_sort.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "query/row_table.h"

namespace {

constexpr int Col(UsersColumn c) { return static_cast<int>(c); }
constexpr int Col(LocksColumn c) { return static_cast<int>(c); }

// A list whose rows differ only in one column; row i's other cells hold i so
// that the order after a sort can be read back whole.
RowTable TableOf(int column, const std::vector<std::string>& texts) {
    RowTable table;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ResultRow row;
        row.connection = static_cast<ConnNumber>(i);
        const std::string mark = "#" + std::to_string(i);
        row.SetCells({mark, mark, mark, mark, mark, mark, mark});
        row.SetCell(static_cast<std::size_t>(column), texts[i]);
        table.Append(std::move(row));
    }
    return table;
}

std::vector<std::string> ColumnOf(const RowTable& table, int column) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < table.RowCount(); ++i) {
        texts.emplace_back(table.Cell(i, static_cast<std::size_t>(column)));
    }
    return texts;
}

using Texts = std::vector<std::string>;

TEST(LeadingNumber, ReadsTheNumberATextBeginsWith) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"10", 10},   {"2", 2},      {"  42", 42}, {"-3", -3},       {"+7", 7},
        {"1.5e3", 1500}, {".25", 0.25}, {"12abc", 12}, {"4294967295", 4294967295.0},
        {"N/A", 0},   {"", 0},       {"abc", 0},   {"nan", 0},       {"inf", 0},
        {"0x10", 0},  {".", 0},      {"-", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << c.text;
}

TEST(CompareFoldedText, FoldsOnlyAtoZAndComparesUnsignedBytes) {
    const struct {
        const char* a;
        const char* b;
        int result;
    } cases[] = {
        {"abc", "ABC", 0},
        {"abc", "ABD", -1},
        {"b", "A", 1},
        {"AB", "ABC", -1},    // a prefix sorts first
        {"", "A", -1},
        {"_", "a", 1},        // 'a' counts as 'A' (65), below '_' (95)
        {"[", "b", 1},
        {"\xe9", "\xc9", 1},  // letters outside a-z stay as they are
        {"z", "\x81", -1},    // bytes above 127 sort after ASCII
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareFoldedText(c.a, c.b), c.result) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareFoldedText(c.b, c.a), -c.result) << c.b << " vs " << c.a;
    }
}

TEST(ResultSort, OrdersEachKindOfColumnAscendingAndDescending) {
    const struct {
        const char* what;
        RowCompare compare;
        int column;
        Texts texts;
        Texts ascending;
    } cases[] = {
        {"Conn is a number: 2 before 10", UsersCompare, Col(UsersColumn::Conn),
         {"10", "2", "0", "33"}, {"0", "2", "10", "33"}},
        {"User Name ignores the case of a-z", UsersCompare, Col(UsersColumn::UserName),
         {"guest", "ADMIN", "Netware File Server", "jsmith"},
         {"ADMIN", "guest", "jsmith", "Netware File Server"}},
        {"Login Time is text, not time", UsersCompare, Col(UsersColumn::LoginTime),
         {"17:45 03/Jan/2007", "09:05 03/Jan/2007", "09:05 03/Feb/2006", "N/A"},
         {"09:05 03/Feb/2006", "09:05 03/Jan/2007", "17:45 03/Jan/2007", "N/A"}},
        {"Address: dotted, then N/A, then bracketed", UsersCompare, Col(UsersColumn::Address),
         {"[0000ABCD:00C0F0123456]", "N/A", "10.1.2.3", "192.168.0.1", "[00000001:000000000001]"},
         {"10.1.2.3", "192.168.0.1", "N/A", "[00000001:000000000001]",
          "[0000ABCD:00C0F0123456]"}},
        {"Full Name sorts as text", UsersCompare, Col(UsersColumn::FullName),
         {"john Smith", "", "Ada Admin"}, {"", "Ada Admin", "john Smith"}},
        {"Lock Type is text: 10 before 9", LocksCompare, Col(LocksColumn::LockType),
         {"9", "10", "1"}, {"1", "10", "9"}},
        {"Start Position is a number", LocksCompare, Col(LocksColumn::StartPosition),
         {"4294967295", "512", "0", "1000"}, {"0", "512", "1000", "4294967295"}},
        {"End Position is a number", LocksCompare, Col(LocksColumn::EndPosition),
         {"9", "10"}, {"9", "10"}},
        {"Task is a number", LocksCompare, Col(LocksColumn::Task), {"20", "3"}, {"3", "20"}},
        {"Locks Conn is a number", LocksCompare, Col(LocksColumn::Conn), {"100", "99"},
         {"99", "100"}},
    };
    for (const auto& c : cases) {
        RowTable table = TableOf(c.column, c.texts);
        table.Sort(c.compare, c.column);
        EXPECT_EQ(ColumnOf(table, c.column), c.ascending) << c.what;

        table.Sort(c.compare, c.column + kSortDescending);
        const Texts descending(c.ascending.rbegin(), c.ascending.rend());
        EXPECT_EQ(ColumnOf(table, c.column), descending) << c.what << " (descending)";
    }
}

TEST(ResultRow, KeepsEachCellApartWhateverItsLength) {
    const std::string longText(300, 'x');
    const struct {
        std::vector<std::string_view> given;
        Texts cells;
    } cases[] = {
        {{"7", "SYS:A.DAT", "", "N/A", "", "Bench User", ""},
         {"7", "SYS:A.DAT", "", "N/A", "", "Bench User", ""}},
        {{"12", longText}, {"12", longText, "", "", "", "", ""}},
        {{}, Texts(kMaxResultColumns)},
        {{"", "", "", "", "", "", "\xc3\x9c"}, {"", "", "", "", "", "", "\xc3\x9c"}},
    };
    for (const auto& c : cases) {
        ResultRow row;
        row.SetCells({"stale", "stale", "stale", "stale", "stale", "stale", "stale"});
        switch (c.given.size()) {
            case 0: row.SetCells({}); break;
            case 2: row.SetCells({c.given[0], c.given[1]}); break;
            default:
                row.SetCells({c.given[0], c.given[1], c.given[2], c.given[3], c.given[4],
                              c.given[5], c.given[6]});
        }
        EXPECT_EQ(row.Cells(), c.cells);
    }

    // Changing one cell leaves the others, before and after it, as they were.
    ResultRow row;
    row.SetCells({"1", "two", "3"});
    const ResultRow copy = row;
    row.SetCell(1, longText);
    row.SetCell(6, "last");
    EXPECT_EQ(row.Cells(), (Texts{"1", longText, "3", "", "", "", "last"}));
    EXPECT_EQ(copy.Cell(1), "two");
}

TEST(ResultSort, EqualRowsKeepTheirOrder) {
    // Four rows with two user names; the Conn cells record the scan order.
    RowTable table;
    const char* users[] = {"b", "A", "B", "a"};
    for (int i = 0; i < 4; ++i) {
        ResultRow row;
        row.SetCells({std::to_string(i), "", users[i]});
        table.Append(std::move(row));
    }
    table.Sort(UsersCompare, Col(UsersColumn::UserName));
    EXPECT_EQ(ColumnOf(table, 0), (Texts{"1", "3", "0", "2"}));
    table.Sort(UsersCompare, Col(UsersColumn::UserName) + kSortDescending);
    EXPECT_EQ(ColumnOf(table, 0), (Texts{"0", "2", "1", "3"}));

    // Equal numbers written differently; a position without a kind; a
    // compare of the caller's own.
    RowTable numbers = TableOf(Col(LocksColumn::Task), {"2", "10", "02", "2.0", "1"});
    numbers.Sort(LocksCompare, Col(LocksColumn::Task));
    EXPECT_EQ(ColumnOf(numbers, 0), (Texts{"#4", "#0", "#2", "#3", "#1"}));
    numbers.Sort(LocksCompare, Col(LocksColumn::Task) + kSortDescending);
    EXPECT_EQ(ColumnOf(numbers, 0), (Texts{"#1", "#0", "#2", "#3", "#4"}));
    numbers.Sort(UsersCompare, 6);
    EXPECT_EQ(ColumnOf(numbers, 0), (Texts{"#1", "#0", "#2", "#3", "#4"}));
    numbers.Sort([](const ResultRow& a, const ResultRow& b, int) {
        return CompareFoldedText(a.Cell(0), b.Cell(0));
    }, 0);
    EXPECT_EQ(ColumnOf(numbers, 0), (Texts{"#0", "#1", "#2", "#3", "#4"}));
}

TEST(ResultSort, APositionWithoutAKindComparesEqual) {
    ResultRow a;
    ResultRow b;
    a.SetCell(6, "1");
    b.SetCell(6, "2");
    EXPECT_EQ(UsersCompare(a, b, 6), 0);   // the Users list has no seventh column
    EXPECT_LT(LocksCompare(a, b, 6), 0);   // the Locks list's "Task"
    EXPECT_EQ(UsersCompare(a, b, 9), 0);
    EXPECT_EQ(LocksCompare(a, b, 9 + kSortDescending), 0);
}

TEST(SortDirections, EachColumnRemembersItsOwnDirection) {
    SortDirections directions;
    const int conn = Col(UsersColumn::Conn);
    const int user = Col(UsersColumn::UserName);
    EXPECT_EQ(directions.Click(conn), conn);                     // ascending
    EXPECT_EQ(directions.Click(conn), conn + kSortDescending);   // descending
    EXPECT_EQ(directions.Click(conn), conn);                     // ascending again

    EXPECT_EQ(directions.Click(user), user);
    EXPECT_EQ(directions.Click(conn), conn + kSortDescending);   // unaffected by "User Name"
    EXPECT_EQ(directions.Click(user), user + kSortDescending);
    EXPECT_EQ(directions.Direction(user), 0);
    EXPECT_EQ(directions.Direction(conn), 0);
    EXPECT_EQ(directions.Direction(Col(UsersColumn::Address)), 0);

    // Columns beyond the table sort ascending and leave nothing behind.
    EXPECT_EQ(directions.Click(12), 12);
    EXPECT_EQ(directions.Click(12), 12);
}

}  // namespace
