#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace {

bool IsAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

// Length of the UTF-8 character at text: its lead byte and the continuation
// bytes that follow, at most as many as the lead announces. A sequence cut
// short ends before the next character, which is kept; a stray byte is one.
std::size_t Utf8Length(std::string_view text) {
    unsigned char lead = static_cast<unsigned char>(text[0]);
    std::size_t want = 1;
    if (lead >= 0xF0 && lead < 0xF8) {
        want = 4;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        want = 3;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        want = 2;
    }
    std::size_t n = 1;
    while (n < want && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
    return n;
}

// One conversion descriptor per thread and direction: opening one costs far
// more than converting a name.
class Converter final {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts text; each input unit that has no form in the target becomes
    // '?'. unit(rest) gives how many input bytes make the unit rest starts with.
    template <typename Unit>
    std::string Run(std::string_view text, Unit unit) {
        std::string out;
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            for (unsigned char c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            return out;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.resize(text.size() * 4 + 8);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) break;  // cannot happen: four bytes per input byte suffice
            std::size_t skip = unit(std::string_view(in, inLeft));
            if (skip > inLeft) skip = inLeft;
            in += skip;
            inLeft -= skip;
            *dst++ = '?';
            --dstLeft;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(out.size() - dstLeft);
        return out;
    }

private:
    iconv_t m_cd;
};

}  // namespace

std::string CharToOemA(std::string_view text) {
    if (IsAscii(text)) return std::string(text);
    thread_local Converter converter("CP850", "UTF-8");
    return converter.Run(text, Utf8Length);
}

std::string OemToCharA(std::string_view oem) {
    if (IsAscii(oem)) return std::string(oem);
    thread_local Converter converter("UTF-8", "CP850");
    return converter.Run(oem, [](std::string_view) -> std::size_t { return 1; });
}
