#pragma once

// The user's registry (HKEY_CURRENT_USER), kept in one text file in the
// registry-export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Copperlathe\ProxySettings]
//   "ProxyEnabled"=dword:00000001
//   "ProxyServer"="proxy.example"
//
// Contract:
//  - the file is UTF-8 (a byte order mark is passed over); the header line
//    is optional when reading; blank lines and lines starting with ';' are
//    ignored; key and value names match without regard to ASCII case;
//  - two value types: DWORD (dword: and up to eight hexadecimal digits) and
//    string (in double quotes, with \\ for a backslash and \" for a quote);
//    a later line for the same value replaces an earlier one;
//  - a file that does not follow this format in every line is damaged: it
//    reads as if it held no key at all, and it is left alone until a value
//    is written, which replaces it with a file holding that value alone;
//  - every access opens the file afresh: nothing is cached;
//  - each write replaces the file atomically, writers take turns as they do
//    with the settings file, and the file gets mode 0600 (it may hold a
//    password in plain text);
//  - failures are returned, never thrown.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct RegistryValue {
    enum class Type { Dword, String };

    static RegistryValue Dword(std::uint32_t value) { return {Type::Dword, value, {}}; }
    static RegistryValue String(std::string value) { return {Type::String, 0, std::move(value)}; }

    Type type = Type::Dword;
    std::uint32_t dword = 0;  // Type::Dword
    std::string text;         // Type::String

    bool operator==(const RegistryValue&) const = default;
};

// One key's values as they were read.
class RegistryKey final {
public:
    enum class Read { Ok, Missing, WrongType };

    Read ReadDword(const std::string& name, std::uint32_t& value) const;
    Read ReadString(const std::string& name, std::string& value) const;

    // In the order they first appear in the file.
    std::vector<std::pair<std::string, RegistryValue>> values;

private:
    const RegistryValue* Find(const std::string& name) const;
};

class UserRegistry final {
public:
    explicit UserRegistry(std::filesystem::path file);

    // $XDG_CONFIG_HOME/kestrune/HKEY_CURRENT_USER.reg (default ~/.config/kestrune/).
    static UserRegistry ForUser();

    const std::filesystem::path& Location() const { return m_file; }

    // subkey is the path below HKEY_CURRENT_USER ("Software\\Maker\\Product").
    // Nothing when the key is missing or the file is missing, unreadable or
    // damaged.
    std::optional<RegistryKey> OpenKey(const std::string& subkey) const;

    // Sets one value, creating the key (and the file) when missing. False when
    // nothing was written: an empty name or key, a line break or zero byte in
    // any text, a file that cannot be replaced.
    bool SetValue(const std::string& subkey, const std::string& name, const RegistryValue& value);

private:
    std::filesystem::path m_file;
};
