// The update document comes from a web server: any text gives one of the
// outcomes, and a found entry has a finite version.

#include <cmath>
#include <cstdint>
#include <string>

#include "app/update_check.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const UpdateEntry entry = ReadUpdateDocument(fuzz::Bytes(data, size), "Kestrune");
    if (entry.status == UpdateEntry::Status::Found) {
        if (!std::isfinite(entry.version)) fuzz::Broken("a version that is no number was found");
    }
    return 0;
}
