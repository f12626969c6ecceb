#include "platform/prompts.h"

#include <cstdint>
#include <cstdio>

std::string FormatErrorBoxText(const std::string& label, NWCode code) {
    std::string text = label;
    if (code != 0) {
        char tail[32];
        std::snprintf(tail, sizeof tail, "\n Code : %lx",
                      static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
        text += tail;
    }
    if (text.size() > 255) text.resize(255);
    return text;
}
