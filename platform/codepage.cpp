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

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte, so
// that a broken sequence costs one '?' per byte and never stalls).
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
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
    // '?'. unit(lead) gives how many input bytes to skip over for one unit.
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
            std::size_t skip = unit(static_cast<unsigned char>(*in));
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
    return converter.Run(oem, [](unsigned char) -> std::size_t { return 1; });
}
