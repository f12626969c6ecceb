#include "query/cell_text.h"

#include <algorithm>
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

// Both formats are written by hand into one buffer: they make two cells of
// every Users row, and a formatted print per cell cost more than the rest of
// the row's text.
namespace {

// A byte in decimal with at least `width` digits (1 or 2), as "%0*u" gives it.
char* PutByte(char* out, unsigned value, unsigned width) {
    if (value >= 100) *out++ = static_cast<char>('0' + value / 100);
    if (value >= 10 || width == 2) *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

char* PutHex(char* out, const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        *out++ = kDigits[bytes[i] >> 4];
        *out++ = kDigits[bytes[i] & 0x0F];
    }
    return out;
}

}  // namespace

std::string FormatLoginTime(const NWLoginTime& time) {
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Each field has its own zero padding, so a byte beyond the usual range
    // widens its field instead of shifting the others.
    char text[32];
    char* out = PutByte(text, time.hour, 2);
    *out++ = ':';
    out = PutByte(out, time.minute, 2);
    *out++ = ' ';
    out = PutByte(out, time.day, 2);
    *out++ = '/';
    if (time.month >= 1 && time.month <= 12) {
        const char* name = kMonths[time.month - 1];
        out = std::copy(name, name + 3, out);
    } else {
        out = PutByte(out, time.month, 2);
    }
    *out++ = '/';
    const unsigned year = static_cast<unsigned>(time.year) + 1900u;  // always four digits
    *out++ = static_cast<char>('0' + year / 1000);
    *out++ = static_cast<char>('0' + year / 100 % 10);
    *out++ = static_cast<char>('0' + year / 10 % 10);
    *out++ = static_cast<char>('0' + year % 10);
    return std::string(text, out);
}

std::string FormatStationAddress(const NWStationAddress& address, bool showNetwork) {
    char text[32];
    char* out = text;
    const std::uint8_t* n = address.network;
    if (address.connType == kConnTypeIP) {
        for (int i = 0; i < 4; ++i) {
            if (i != 0) *out++ = '.';
            out = PutByte(out, n[i], 1);
        }
        return std::string(text, out);
    }
    *out++ = '[';
    if (showNetwork) {
        out = PutHex(out, n, sizeof address.network);
        *out++ = ':';
    }
    out = PutHex(out, address.node, sizeof address.node);
    *out++ = ']';
    return std::string(text, out);
}
