#pragma once

// The two result lists of a query as the query logic sees them. The window
// shows them as Qt models; tests and the console-free benchmark use
// RowTable. Cells hold workstation text (already converted from the client's
// code page), cell 0 being the "Conn" caption.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/nwclient.h"

// Column positions of the Users list.
enum class UsersColumn : int {
    Conn,
    FileName,
    UserName,
    LoginTime,
    Address,
    FullName,
    Count
};

// Column positions of the Locks list.
enum class LocksColumn : int {
    Conn,
    FileName,
    UserName,
    LockType,
    StartPosition,
    EndPosition,
    Task,
    Count
};

inline constexpr std::size_t kUsersColumnCount = static_cast<std::size_t>(UsersColumn::Count);
inline constexpr std::size_t kLocksColumnCount = static_cast<std::size_t>(LocksColumn::Count);
inline constexpr std::size_t kMaxResultColumns = kLocksColumnCount;

// One row's cells kept end to end in one string: a query makes hundreds of
// thousands of rows, and a string per cell made the heap, not the network, the
// larger part of building and emptying the lists.
class ResultRow final {
public:
    ConnNumber connection = 0;  // the row's item data

    // Cells past the given ones are empty.
    void SetCells(std::initializer_list<std::string_view> cells);
    void SetCell(std::size_t column, std::string_view text);

    std::string_view Cell(std::size_t column) const {
        const std::size_t begin = column == 0 ? 0 : m_ends[column - 1];
        return std::string_view(m_text).substr(begin, m_ends[column] - begin);
    }
    // Every cell, kMaxResultColumns of them.
    std::vector<std::string> Cells() const;

private:
    std::string m_text;
    std::array<std::uint32_t, kMaxResultColumns> m_ends{};
};

class ResultList {
public:
    virtual ~ResultList() = default;

    virtual void Clear() = 0;
    // Rows are only ever appended whole; a row never changes afterwards.
    virtual void Append(ResultRow row) = 0;
    virtual std::size_t RowCount() const = 0;
    virtual const ResultRow& Row(std::size_t index) const = 0;

    std::string_view Cell(std::size_t row, std::size_t column) const {
        return Row(row).Cell(column);
    }
    ConnNumber Connection(std::size_t row) const { return Row(row).connection; }
};
