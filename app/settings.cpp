#include "app/settings.h"

#include <algorithm>

namespace {

constexpr const char* kSizeSection = "Size";
constexpr const char* kUsersSection = "Users";
constexpr const char* kLocksSection = "Locks";
constexpr const char* kOptionsSection = "Options";
constexpr const char* kRecentSection = "Recent Files";

std::string Numbered(const char* prefix, std::size_t i) { return prefix + std::to_string(i); }

int Centred(int screenOrigin, int screenExtent, int windowExtent) {
    return screenOrigin + (screenExtent - windowExtent) / 2;
}

}  // namespace

IniProfile SettingsProfile(const std::filesystem::path& programPath,
                           const std::vector<std::filesystem::path>& installDirectories) {
    const std::filesystem::path directory = programPath.parent_path();
    for (const std::filesystem::path& installed : installDirectories) {
        std::error_code ec;
        if (!installed.empty() && std::filesystem::equivalent(directory, installed, ec)) {
            return IniProfile({}, ProgramConfigDirectory() / kSettingsFileName);
        }
    }
    return IniProfile::ForProgram(programPath);
}

OptionStates BuiltInOptionStates() {
    OptionStates states{};
    for (const OptionKey& k : kOptionKeys) states[static_cast<std::size_t>(k.option)] = k.builtIn;
    return states;
}

Rect ResolvePlacement(const StoredPlacement& stored, int builtInWidth, int builtInHeight,
                      int minWidth, int minHeight, const Rect& screen, const Rect& desktop) {
    Rect r;
    r.width = stored.width != 0 ? stored.width : builtInWidth;
    r.height = stored.height != 0 ? stored.height : builtInHeight;
    if (desktop.width > 0 && desktop.height > 0) {
        r.width = std::min(r.width, desktop.width);
        r.height = std::min(r.height, desktop.height);
    }
    r.width = std::max(r.width, minWidth);
    r.height = std::max(r.height, minHeight);
    r.top = stored.top != 0 ? stored.top : Centred(screen.top, screen.height, r.height);
    r.left = stored.left != 0 ? stored.left : Centred(screen.left, screen.width, r.width);
    return r;
}

WindowState StateFromStored(int state) {
    switch (state) {
        case 1: return WindowState::Minimised;
        case 2: return WindowState::Maximised;
        default: return WindowState::Normal;
    }
}

StoredSettings LoadSettings(const IniProfile& profile) {
    StoredSettings s;
    for (const OptionKey& k : kOptionKeys)
        s.options[static_cast<std::size_t>(k.option)] =
            profile.ReadInt(kMainSection, k.key, k.storedDefault ? 1 : 0) != 0;

    s.placement.width = profile.ReadInt(kSizeSection, "Width", 0);
    s.placement.height = profile.ReadInt(kSizeSection, "Height", 0);
    s.placement.top = profile.ReadInt(kSizeSection, "Top", 0);
    s.placement.left = profile.ReadInt(kSizeSection, "Left", 0);
    s.placement.state = profile.ReadInt(kSizeSection, "State", 0);

    for (std::size_t i = 0; i < kUsersColumns; ++i)
        s.usersColumns[i] = profile.ReadInt(kUsersSection, Numbered("Column", i), kUsersColumnDefaults[i]);
    for (std::size_t i = 0; i < kLocksColumns; ++i)
        s.locksColumns[i] = profile.ReadInt(kLocksSection, Numbered("Column", i), kLocksColumnDefaults[i]);

    s.switches.enableLogins = profile.ReadInt(kOptionsSection, "EnableLogins", 1);
    s.switches.enableClear = profile.ReadInt(kOptionsSection, "EnableClear", 1);
    s.switches.enableSend = profile.ReadInt(kOptionsSection, "EnableSend", 1);

    for (std::size_t i = 0; i < RecentPaths::kSlots; ++i)
        s.recent.SetSlot(i, profile.ReadText(kRecentSection, Numbered("Entry", i), ""));
    return s;
}

void SaveDefaults(IniProfile& profile, const OptionStates& options) {
    std::vector<ProfileEntry> entries;
    for (const OptionKey& k : kOptionKeys) {
        if (k.option == Option::CheckSub) continue;  // stored at every close instead
        entries.push_back({kMainSection, k.key, options[static_cast<std::size_t>(k.option)] ? "1" : "0"});
    }
    profile.WriteEntries(entries);
}

void SavePickList(IniProfile& profile, const ClosingState& closing) {
    std::vector<ProfileEntry> entries;
    const auto add = [&](const char* section, std::string key, std::string value) {
        entries.push_back({section, std::move(key), std::move(value)});
    };
    const auto addInt = [&](const char* section, std::string key, int value) {
        add(section, std::move(key), std::to_string(value));
    };
    for (std::size_t i = 0; i < RecentPaths::kSlots; ++i)
        add(kRecentSection, Numbered("Entry", i),
            i < closing.pickList.size() ? closing.pickList[i] : std::string());

    addInt(kMainSection, "Check Sub", closing.checkSub ? 1 : 0);

    addInt(kSizeSection, "State", static_cast<int>(closing.state));
    if (closing.state == WindowState::Normal) {
        addInt(kSizeSection, "Width", closing.normal.width);
        addInt(kSizeSection, "Height", closing.normal.height);
        addInt(kSizeSection, "Top", closing.normal.top);
        addInt(kSizeSection, "Left", closing.normal.left);
    }

    for (std::size_t i = 0; i < kUsersColumns; ++i)
        addInt(kUsersSection, Numbered("Column", i), closing.usersColumns[i]);
    for (std::size_t i = 0; i < kLocksColumns; ++i)
        addInt(kLocksSection, Numbered("Column", i), closing.locksColumns[i]);
    profile.WriteEntries(entries);
}
