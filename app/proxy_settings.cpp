#include "app/proxy_settings.h"

#include <charconv>

void LoadProxySettings(const UserRegistry& registry, ProxySettings& settings) {
    const std::optional<RegistryKey> key = registry.OpenKey(kProxyKey);
    if (!key) return;
    using Read = RegistryKey::Read;
    // A missing string is an empty one; only a wrong type stops.
    auto text = [&key](const char* name, std::string& into) {
        std::string value;
        const Read read = key->ReadString(name, value);
        if (read == Read::WrongType) return false;
        into = std::move(value);
        return true;
    };
    if (key->ReadDword("ProxyEnabled", settings.enabled) != Read::Ok) return;
    if (!text("ProxyServer", settings.server)) return;
    if (key->ReadDword("ProxyPort", settings.port) != Read::Ok) return;
    if (!text("ProxyUser", settings.user)) return;
    text("ProxyPassword", settings.password);
}

bool SaveProxySettings(UserRegistry& registry, const ProxySettings& settings) {
    return registry.SetValue(kProxyKey, "ProxyEnabled", RegistryValue::Dword(settings.enabled != 0 ? 1 : 0)) &&
           registry.SetValue(kProxyKey, "ProxyServer", RegistryValue::String(settings.server)) &&
           registry.SetValue(kProxyKey, "ProxyPort", RegistryValue::Dword(settings.port)) &&
           registry.SetValue(kProxyKey, "ProxyUser", RegistryValue::String(settings.user)) &&
           registry.SetValue(kProxyKey, "ProxyPassword", RegistryValue::String(settings.password));
}

std::uint32_t PortFromField(std::string_view text, std::uint32_t current) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return current;
    std::uint32_t port = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port > 65535) return current;
    return port;
}
