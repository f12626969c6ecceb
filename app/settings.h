#pragma once

// What the windowed program keeps in its settings file, each key declared once
// with its section, default and check box, and the rules for reading it at
// start and writing it on "Set Default" and at close. Qt-free: the window
// copies these values to and from its controls.

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "app/recent_paths.h"
#include "platform/profile.h"

// The settings file of the program at programPath. A copy run from where it
// was built or unpacked keeps its settings in a KESTRUNE.INI beside it when
// one exists there, else in $XDG_CONFIG_HOME/kestrune. An installed copy
// (its directory is one of installDirectories, compared as the file system
// sees them, symbolic links resolved) always uses the XDG file: beside it
// would be /usr/bin/KESTRUNE.INI, which the package manager owns, every user
// would share, and no user can write.
IniProfile SettingsProfile(const std::filesystem::path& programPath,
                           const std::vector<std::filesystem::path>& installDirectories);

enum class Option : std::size_t {
    Confirm,
    ShowContext,
    ShowNetwork,
    ShowHints,
    CheckLocks,
    CheckSub,
    ShowFullName,
    ShowDrives,
    ShowServers,
    UseIPX,
    UseIP,
    Count
};
inline constexpr std::size_t kOptionCount = static_cast<std::size_t>(Option::Count);

struct OptionKey {
    Option option;
    const char* key;       // in section "KESTRUNE"
    bool storedDefault;    // when the key is missing
    bool builtIn;          // the box's state before any settings are applied
    const char* boxName;   // the check box's object name
    const char* caption;   // the check box's caption
};

// In the order the keys are read at start.
inline constexpr std::array<OptionKey, kOptionCount> kOptionKeys{{
    {Option::Confirm, "Confirm Clear", true, true, "chkConfirm", "Confirm on Clear File"},
    {Option::ShowContext, "Show Context", true, true, "chkShowContext", "Show Full NDS Context"},
    {Option::ShowNetwork, "Show Network", true, true, "chkShowNetwork",
     "Show Network # with MAC Address"},
    {Option::ShowHints, "Show Hints", true, false, "chkShowHints", "Show Hints"},
    {Option::CheckLocks, "Check Locks", false, false, "chkCheckLocks", "Check File Locks"},
    {Option::CheckSub, "Check Sub", false, false, "chkCheckSub", "Check Subdirectories"},
    {Option::ShowFullName, "ShowFullName", true, false, "chkShowFullName", "Show Users Full Name"},
    {Option::ShowDrives, "ShowDrives", true, true, "chkShowDrives", "Show Drives"},
    {Option::ShowServers, "ShowServers", true, true, "chkShowServers", "Show Servers"},
    {Option::UseIPX, "UseIPX", true, true, "chkUseIPX", "Use IPX Method"},
    {Option::UseIP, "UseIP", true, true, "chkUseIP", "Use IP Method"},
}};

inline constexpr const char* kMainSection = "KESTRUNE";

using OptionStates = std::array<bool, kOptionCount>;
OptionStates BuiltInOptionStates();

inline constexpr std::size_t kUsersColumns = 6;
inline constexpr std::size_t kLocksColumns = 7;
inline constexpr std::array<int, kUsersColumns> kUsersColumnDefaults{45, 145, 164, 164, 100, 100};
inline constexpr std::array<int, kLocksColumns> kLocksColumnDefaults{44, 134, 141, 67, 77, 75, 44};

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

// Section "Size" as stored: 0 in Width/Height keeps the built-in size, 0 in
// Top/Left centres the window on that axis.
struct StoredPlacement {
    int width = 0;
    int height = 0;
    int top = 0;
    int left = 0;
    int state = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// Where the window goes at start: the stored size (raised to the minimum),
// and on an axis whose stored edge is 0, centred on the screen with the
// division truncating toward zero. A desktop with an area also bounds the
// size, as the windowing system would: a hand-edited size of millions of
// pixels must not ask for a window nothing can draw.
Rect ResolvePlacement(const StoredPlacement& stored, int builtInWidth, int builtInHeight,
                      int minWidth, int minHeight, const Rect& screen, const Rect& desktop = {});
// Stored states other than 0, 1 and 2 start the window normal.
WindowState StateFromStored(int state);

// Section "Options": never written by the program; 0 hides buttons.
struct ButtonSwitches {
    int enableLogins = 1;
    int enableClear = 1;
    int enableSend = 1;
};

struct StoredSettings {
    OptionStates options{};
    StoredPlacement placement;
    std::array<int, kUsersColumns> usersColumns = kUsersColumnDefaults;
    std::array<int, kLocksColumns> locksColumns = kLocksColumnDefaults;
    ButtonSwitches switches;
    RecentPaths recent;
};

// Everything start-up applies, read key by key.
StoredSettings LoadSettings(const IniProfile& profile);

// "Set Default": the ten option boxes, all but "Check Subdirectories".
void SaveDefaults(IniProfile& profile, const OptionStates& options);

// What the window holds as it closes.
struct ClosingState {
    std::vector<std::string> pickList;  // the drop-down list, in its order
    bool checkSub = false;
    WindowState state = WindowState::Normal;
    Rect normal;                        // the placement; written only in the normal state
    std::array<int, kUsersColumns> usersColumns{};
    std::array<int, kLocksColumns> locksColumns{};
};

// Recent paths without gaps, "Check Sub", the window state (and placement
// when normal) and the column widths. Write failures are not reported.
void SavePickList(IniProfile& profile, const ClosingState& closing);
