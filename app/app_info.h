#pragma once

// The program's own constants: its name (also the caption of every message
// box), its version and what the About box tells about its maker.

inline constexpr const char* kAppName = "Kestrune";
inline constexpr double kAppVersion = 3.2;
inline constexpr const char* kWebSite = "https://www.copperlathe.example/kestrune";
inline constexpr const char* kCopyright = "Copyright (c) Copperlathe";
