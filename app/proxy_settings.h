#pragma once

// The proxy the update check goes through, as the program holds it and as it
// is kept in the user's registry. Qt-free: the About box and the Proxy
// Settings dialog copy these values to and from their controls.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

inline constexpr const char* kProxyKey = "Software\\Copperlathe\\ProxySettings";

struct ProxySettings {
    std::uint32_t enabled = 0;  // non-zero: through the proxy
    std::string server;         // host name or address
    std::uint32_t port = 0;
    std::string user;           // empty: no authentication
    std::string password;       // kept in plain text

    bool operator==(const ProxySettings&) const = default;
};

// Reads "ProxyEnabled", "ProxyServer", "ProxyPort", "ProxyUser" and
// "ProxyPassword" in this order into settings. The first integer that is
// missing or not a DWORD, or string of another type, ends the reading: the
// values from it on keep what they held. A missing string reads as empty. A
// missing key (or a damaged file) therefore changes nothing.
void LoadProxySettings(const UserRegistry& registry, ProxySettings& settings);

// Writes the five values in the same order, creating the key when missing;
// the first failure ends the writing. ProxyEnabled is written as 0 or 1.
bool SaveProxySettings(UserRegistry& registry, const ProxySettings& settings);

// The port a "Port" field stands for: a whole number from 0 to 65535, blanks
// around it allowed. Any other text keeps current.
std::uint32_t PortFromField(std::string_view text, std::uint32_t current);
