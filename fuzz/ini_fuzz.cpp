// The settings file: any text reads without a crash, and a key written into
// it reads back as written while the keys before it stay as they were.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzz::WriteScratch("KESTRUNE.INI", fuzz::Bytes(data, size));
    IniProfile profile(file, fuzz::ScratchDirectory() / "fallback" / "KESTRUNE.INI");

    const char* sections[] = {"KESTRUNE", "Size", "Users", "Recent Files", "Options"};
    for (const char* section : sections) {
        (void)profile.ReadText(section, "Entry0", "");
        (void)profile.ReadInt(section, "Width", -1);
    }
    const std::string kept = profile.ReadText("Options", "EnableSend", "<none>");
    const int keptInt = profile.ReadInt("Users", "Column0", -7);
    if (!profile.WriteEntries({{"Size", "Width", "1024"}, {"Recent Files", "Entry3", " F:\\A B "}}))
        return 0;  // a file that cannot be replaced
    if (profile.ReadInt("Size", "Width", 0) != 1024) fuzz::Broken("Width did not read back");
    if (profile.ReadText("Recent Files", "Entry3", "") != " F:\\A B ")
        fuzz::Broken("Entry3 did not read back");
    if (profile.ReadText("Options", "EnableSend", "<none>") != kept)
        fuzz::Broken("another key changed");
    if (profile.ReadInt("Users", "Column0", -7) != keptInt) fuzz::Broken("another key changed");
    return 0;
}
