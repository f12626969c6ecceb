#include "query/cell_text.h"

#include <array>
#include <cstdio>

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

std::string FormatLoginTime(const NWLoginTime& time) {
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char month[8];
    if (time.month >= 1 && time.month <= 12) {
        std::snprintf(month, sizeof month, "%s", kMonths[time.month - 1]);
    } else {
        std::snprintf(month, sizeof month, "%02u", static_cast<unsigned>(time.month));
    }
    // Each field is formatted with its own zero padding, so a byte beyond the
    // usual range widens its field instead of shifting the others.
    char text[64];
    std::snprintf(text, sizeof text, "%02u:%02u %02u/%s/%04u", static_cast<unsigned>(time.hour),
                  static_cast<unsigned>(time.minute), static_cast<unsigned>(time.day), month,
                  static_cast<unsigned>(time.year) + 1900u);
    return text;
}

std::string FormatStationAddress(const NWStationAddress& address, bool showNetwork) {
    char text[64];
    const std::uint8_t* n = address.network;
    const std::uint8_t* m = address.node;
    if (address.connType == kConnTypeIP) {
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", n[0], n[1], n[2], n[3]);
    } else if (showNetwork) {
        std::snprintf(text, sizeof text, "[%02X%02X%02X%02X:%02X%02X%02X%02X%02X%02X]", n[0], n[1],
                      n[2], n[3], m[0], m[1], m[2], m[3], m[4], m[5]);
    } else {
        std::snprintf(text, sizeof text, "[%02X%02X%02X%02X%02X%02X]", m[0], m[1], m[2], m[3],
                      m[4], m[5]);
    }
    return text;
}
