#pragma once

// The settings file: a plain INI text file read and written one key at a time.
//
// Contract:
//  - section and key names match without regard to ASCII case; the first
//    matching section and the first matching key in it win;
//  - every access decides the file's location afresh, opens the file, does
//    its one operation and closes it again: nothing is cached;
//  - a write replaces the value in place, or adds the key (and its section)
//    when missing, and replaces the whole file atomically (a temporary file in
//    the same directory renamed over it), so a crash never leaves it half
//    written; concurrent writers (two windows closing at once) take turns,
//    so neither loses the other's keys;
//  - a UTF-8 byte order mark before the first line is passed over and kept;
//  - an integer that does not parse (or does not fit) counts as missing;
//  - several keys written together (WriteEntries) are one such replacement:
//    a save costs one read, one write and one rename however many keys it
//    holds, and a crash leaves all of them or none;
//  - failures to write are returned, never thrown.

#include <filesystem>
#include <string>
#include <vector>

inline constexpr const char* kSettingsFileName = "KESTRUNE.INI";

// Text read from the file fits a destination of this many bytes, its
// terminating zero included.
inline constexpr std::size_t kProfileTextBytes = 255;

// The program's own configuration folder: $XDG_CONFIG_HOME/kestrune
// (default ~/.config/kestrune).
std::filesystem::path ProgramConfigDirectory();

struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

class IniProfile final {
public:
    // besideProgram is used whenever it can be opened for reading; otherwise
    // fallback is read and written (its directory is created on first write).
    IniProfile(std::filesystem::path besideProgram, std::filesystem::path fallback);

    // The settings file of a program at programPath: "KESTRUNE.INI" beside it,
    // else $XDG_CONFIG_HOME/kestrune/KESTRUNE.INI (default ~/.config/kestrune/).
    static IniProfile ForProgram(const std::filesystem::path& programPath);

    // The file the next access would use.
    std::filesystem::path Location() const;

    // The value, or def when the key is missing; cut to kProfileTextBytes - 1
    // bytes (never inside a UTF-8 sequence).
    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& def) const;
    int ReadInt(const std::string& section, const std::string& key, int def) const;

    bool WriteText(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int value);
    // The entries in order, as if written one by one, in one replacement of
    // the file. An entry that cannot be written (a line break, an empty key)
    // is left out and makes the result false; the others are still written.
    bool WriteEntries(const std::vector<ProfileEntry>& entries);

private:
    std::filesystem::path m_besideProgram;
    std::filesystem::path m_fallback;
};
