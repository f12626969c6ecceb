#include "query/cell_text.h"

#include <array>

void UpperCaseAscii(std::string& text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

std::string CutNameContext(std::string_view name) {
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] == '.' && name[i - 1] != '.') return std::string(name.substr(0, i));
    }
    return std::string(name);
}

// Both formats are written by hand: they make two cells of every Users row,
// and a formatted print per cell cost more than the rest of the row's text.
namespace {

// A byte in decimal with at least two digits, as "%02u" gives it.
void AppendTwoDigits(std::string& text, unsigned value) {
    if (value >= 100) text += static_cast<char>('0' + value / 100);
    text += static_cast<char>('0' + value / 10 % 10);
    text += static_cast<char>('0' + value % 10);
}

void AppendDecimal(std::string& text, unsigned value) {
    if (value >= 100) text += static_cast<char>('0' + value / 100);
    if (value >= 10) text += static_cast<char>('0' + value / 10 % 10);
    text += static_cast<char>('0' + value % 10);
}

void AppendHex(std::string& text, const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
}

}  // namespace

std::string FormatLoginTime(const NWLoginTime& time) {
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Each field has its own zero padding, so a byte beyond the usual range
    // widens its field instead of shifting the others.
    std::string text;
    text.reserve(24);
    AppendTwoDigits(text, time.hour);
    text += ':';
    AppendTwoDigits(text, time.minute);
    text += ' ';
    AppendTwoDigits(text, time.day);
    text += '/';
    if (time.month >= 1 && time.month <= 12) {
        text += kMonths[time.month - 1];
    } else {
        AppendTwoDigits(text, time.month);
    }
    text += '/';
    const unsigned year = static_cast<unsigned>(time.year) + 1900u;  // always four digits
    text += static_cast<char>('0' + year / 1000);
    text += static_cast<char>('0' + year / 100 % 10);
    text += static_cast<char>('0' + year / 10 % 10);
    text += static_cast<char>('0' + year % 10);
    return text;
}

std::string FormatStationAddress(const NWStationAddress& address, bool showNetwork) {
    std::string text;
    text.reserve(24);
    const std::uint8_t* n = address.network;
    if (address.connType == kConnTypeIP) {
        for (int i = 0; i < 4; ++i) {
            if (i != 0) text += '.';
            AppendDecimal(text, n[i]);
        }
        return text;
    }
    text += '[';
    if (showNetwork) {
        AppendHex(text, n, sizeof address.network);
        text += ':';
    }
    AppendHex(text, address.node, sizeof address.node);
    text += ']';
    return text;
}
