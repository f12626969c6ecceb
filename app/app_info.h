#pragma once

// The program's own constants: its name (also the caption of every message
// box), its version and what the About box tells about its maker.

#include "platform/version.h"

// "MAJOR.MINOR[.PATCH]" as the decimal number the update check compares and
// the About box shows ("3.2" is 3.2, shown as "3.20"); a patch level does not
// count. The digits are gathered into one integer and divided once, so the
// result is the double nearest the number, as the literal would be.
constexpr double VersionNumber(const char* version) {
    long long digits = 0;
    long long scale = 1;
    bool fraction = false;
    for (const char* c = version; *c != '\0'; ++c) {
        if (*c == '.') {
            if (fraction) break;
            fraction = true;
        } else if (*c >= '0' && *c <= '9') {
            digits = digits * 10 + (*c - '0');
            if (fraction) scale *= 10;
        } else {
            break;
        }
    }
    return static_cast<double>(digits) / static_cast<double>(scale);
}

inline constexpr const char* kAppName = "Kestrune";
inline constexpr double kAppVersion = VersionNumber(kKestruneVersion);
inline constexpr const char* kWebSite = "https://www.copperlathe.example/kestrune";
inline constexpr const char* kCopyright = "Copyright (c) Copperlathe";
inline constexpr const char* kOrganisationName = "Copperlathe";
inline constexpr const char* kOrganisationDomain = "copperlathe.example";
// The desktop entry's and AppStream component's id, and the icon's name.
inline constexpr const char* kDesktopFileName = "example.copperlathe.kestrune";
