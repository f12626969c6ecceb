// The user's registry file: any text reads without a crash (a damaged file as
// holding no key), and a value written reads back with its type.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/registry.h"

namespace {
constexpr const char* kKey = "Software\\Copperlathe\\ProxySettings";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzz::WriteScratch("HKEY_CURRENT_USER.reg", fuzz::Bytes(data, size));
    UserRegistry registry(file);
    if (const auto key = registry.OpenKey(kKey)) {
        std::uint32_t dword = 0;
        std::string text;
        for (const auto& [name, value] : key->values) {
            (void)key->ReadDword(name, dword);
            (void)key->ReadString(name, text);
        }
    }
    const std::string server = "proxy \"quoted\" \\ here";
    if (!registry.SetValue(kKey, "ProxyServer", RegistryValue::String(server))) return 0;
    if (!registry.SetValue(kKey, "ProxyPort", RegistryValue::Dword(0xFFFFFFFF))) return 0;
    const auto key = registry.OpenKey(kKey);
    if (!key) fuzz::Broken("the key written is missing");
    std::string text;
    std::uint32_t dword = 0;
    if (key->ReadString("ProxyServer", text) != RegistryKey::Read::Ok || text != server)
        fuzz::Broken("ProxyServer did not read back");
    if (key->ReadDword("proxyport", dword) != RegistryKey::Read::Ok || dword != 0xFFFFFFFF)
        fuzz::Broken("ProxyPort did not read back");
    return 0;
}
