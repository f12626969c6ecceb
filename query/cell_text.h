#pragma once

// Text rules shared by the query's rows and their sorting: the letter folding,
// the cut of a directory name to its first part, and the formats of the
// "Login Time" and "Address" cells.

#include <string>
#include <string_view>

#include "platform/nwrecords.h"

// Turns a-z into A-Z in place; every other byte stays as it is (no locale
// rules, no letters outside ASCII).
void UpperCaseAscii(std::string& text);

// The name up to its first "." that follows a character other than ".":
// "JSMITH.SALES.ACME" gives "JSMITH"; leading dots stay, a name without a dot
// is unchanged.
std::string CutNameContext(std::string_view name);

// "hh:mm dd/Mon/yyyy", every field with leading zeros. A month byte outside
// 1-12 has no name and is shown as its number.
std::string FormatLoginTime(const NWLoginTime& time);

// "a.b.c.d" for an IP connection (type 11); otherwise the IPX network and
// node in upper-case hexadecimal, "[NNNNNNNN:MMMMMMMMMMMM]", or only
// "[MMMMMMMMMMMM]" when showNetwork is off.
std::string FormatStationAddress(const NWStationAddress& address, bool showNetwork);
