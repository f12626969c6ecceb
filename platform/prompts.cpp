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
    if (text.size() > 255) {
        // Cut on a character boundary: a half character would show as garbage.
        std::size_t cut = 255;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    return text;
}
