#pragma once

// Conversions between the workstation's text (UTF-8) and the OEM code page of
// the NetWare client (850). A character with no code-page-850 form becomes '?'.

#include <string>
#include <string_view>

std::string CharToOemA(std::string_view text);
std::string OemToCharA(std::string_view oem);
