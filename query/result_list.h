#pragma once

// The two result lists of a query as the query logic sees them. The window
// shows them as Qt models; tests and the console-free benchmark use
// RowTable. Cells hold workstation text (already converted from the client's
// code page), cell 0 being the "Conn" caption.

#include <array>
#include <cstddef>
#include <string>

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

struct ResultRow {
    ConnNumber connection = 0;  // the row's item data
    std::array<std::string, kMaxResultColumns> cells;
};

class ResultList {
public:
    virtual ~ResultList() = default;

    virtual void Clear() = 0;
    // Rows are only ever appended whole; a row never changes afterwards.
    virtual void Append(ResultRow row) = 0;
    virtual std::size_t RowCount() const = 0;
    virtual const ResultRow& Row(std::size_t index) const = 0;

    const std::string& Cell(std::size_t row, std::size_t column) const {
        return Row(row).cells[column];
    }
    ConnNumber Connection(std::size_t row) const { return Row(row).connection; }
};
