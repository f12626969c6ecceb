#include "platform/registry.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/key_text.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_CURRENT_USER";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kDwordPrefix = "dword:";
// Far beyond anything this program writes; a larger file is not ours.
constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

struct Key {
    std::string path;  // below the hive, as first written
    std::vector<std::pair<std::string, RegistryValue>> values;
};

using Document = std::vector<Key>;


bool HasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A path below the hive: names separated by single backslashes, none empty.
bool ValidSubkey(std::string_view path) {
    if (path.empty() || HasLineBreakOrZero(path) || path.find(']') != std::string_view::npos)
        return false;
    return path.front() != '\\' && path.back() != '\\' &&
           path.find("\\\\") == std::string_view::npos;
}

// Reads a quoted text at the start of s, undoing the \\ and \" escapes; s is
// left after the closing quote. Nothing when it is not one.
std::optional<std::string> TakeQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return text;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return std::nullopt;
            text += s[++i];
        } else {
            text += c;
        }
    }
    return std::nullopt;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::optional<RegistryValue> ParseData(std::string_view data) {
    if (data.starts_with('"')) {
        std::optional<std::string> text = TakeQuoted(data);
        if (!text || !data.empty()) return std::nullopt;
        return RegistryValue::String(std::move(*text));
    }
    if (data.size() > kDwordPrefix.size() && SameName(data.substr(0, kDwordPrefix.size()), kDwordPrefix)) {
        const std::string_view digits = data.substr(kDwordPrefix.size());
        if (digits.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        return RegistryValue::Dword(value);
    }
    return std::nullopt;
}

Key* FindKey(Document& doc, std::string_view path) {
    for (Key& key : doc)
        if (SameName(key.path, path)) return &key;
    return nullptr;
}

void Put(Key& key, const std::string& name, RegistryValue value) {
    for (auto& [existing, held] : key.values) {
        if (SameName(existing, name)) {
            held = std::move(value);
            return;
        }
    }
    key.values.emplace_back(name, std::move(value));
}

// Nothing when the text is damaged.
std::optional<Document> Parse(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    Document doc;
    Key* current = nullptr;
    bool first = true;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = Trim(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.empty() || line.front() == ';') continue;
        const bool header = first && (line == kHeader || line == kOldHeader);
        first = false;
        if (header) continue;

        if (line.front() == '[') {
            if (line.back() != ']') return std::nullopt;
            std::string_view path = line.substr(1, line.size() - 2);
            if (!SameName(path.substr(0, kHive.size()), kHive)) return std::nullopt;
            path.remove_prefix(kHive.size());
            if (path.empty()) {
                current = nullptr;  // the hive itself holds no values here
                continue;
            }
            if (path.front() != '\\') return std::nullopt;
            path.remove_prefix(1);
            if (!ValidSubkey(path)) return std::nullopt;
            current = FindKey(doc, path);
            if (!current) current = &doc.emplace_back(Key{std::string(path), {}});
            continue;
        }

        std::string_view rest = line;
        std::optional<std::string> name = TakeQuoted(rest);
        if (!name || name->empty() || !current) return std::nullopt;
        rest = Trim(rest);
        if (!rest.starts_with('=')) return std::nullopt;
        std::optional<RegistryValue> value = ParseData(Trim(rest.substr(1)));
        if (!value) return std::nullopt;
        Put(*current, *name, std::move(*value));
    }
    return doc;
}

std::string Serialize(const Document& doc) {
    std::string out(kHeader);
    out += "\n";
    for (const Key& key : doc) {
        out += "\n[" + std::string(kHive) + "\\" + key.path + "]\n";
        for (const auto& [name, value] : key.values) {
            out += Quoted(name) + "=";
            if (value.type == RegistryValue::Type::Dword) {
                char digits[9];
                std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.dword));
                out += std::string(kDwordPrefix) + digits;
            } else {
                out += Quoted(value.text);
            }
            out += "\n";
        }
    }
    return out;
}

// Nothing when the file is missing, unreadable, too large or damaged.
std::optional<Document> Load(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return Parse(text);
}

}  // namespace

const RegistryValue* RegistryKey::Find(const std::string& name) const {
    for (const auto& [existing, value] : values)
        if (SameName(existing, name)) return &value;
    return nullptr;
}

RegistryKey::Read RegistryKey::ReadDword(const std::string& name, std::uint32_t& value) const {
    const RegistryValue* found = Find(name);
    if (!found) return Read::Missing;
    if (found->type != RegistryValue::Type::Dword) return Read::WrongType;
    value = found->dword;
    return Read::Ok;
}

RegistryKey::Read RegistryKey::ReadString(const std::string& name, std::string& value) const {
    const RegistryValue* found = Find(name);
    if (!found) return Read::Missing;
    if (found->type != RegistryValue::Type::String) return Read::WrongType;
    value = found->text;
    return Read::Ok;
}

UserRegistry::UserRegistry(fs::path file) : m_file(std::move(file)) {}

UserRegistry UserRegistry::ForUser() {
    return UserRegistry(ProgramConfigDirectory() / "HKEY_CURRENT_USER.reg");
}

std::optional<RegistryKey> UserRegistry::OpenKey(const std::string& subkey) const {
    std::optional<Document> doc = Load(m_file);
    if (!doc) return std::nullopt;
    Key* key = FindKey(*doc, subkey);
    if (!key) return std::nullopt;
    RegistryKey found;
    found.values = std::move(key->values);
    return found;
}

bool UserRegistry::SetValue(const std::string& subkey, const std::string& name,
                            const RegistryValue& value) {
    if (!ValidSubkey(subkey) || name.empty() || HasLineBreakOrZero(name)) return false;
    if (value.type == RegistryValue::Type::String && HasLineBreakOrZero(value.text)) return false;

    const fs::path target = WriteTarget(m_file);
    std::error_code ec;
    fs::create_directories(DirectoryOf(target), ec);
    const DirectoryLock lock(DirectoryOf(target));
    // A damaged file is replaced: the user has just asked for this value to
    // be kept, and there is no other way to keep it.
    Document doc = Load(target).value_or(Document{});
    Key* key = FindKey(doc, subkey);
    if (!key) key = &doc.emplace_back(Key{subkey, {}});
    Put(*key, name, value);
    return WriteFileAtomically(target, Serialize(doc), 0600);
}
