#include "app/update_check.h"

#include <pugixml.hpp>

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "app/app_info.h"

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// Digits with at most one decimal point ("3", "3.21", ".5"); no sign, no
// exponent, no other characters.
bool ReadDecimal(std::string_view text, double& value) {
    text = Trim(text);
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::fixed);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

std::string UpdateDocumentUrl() {
    std::string base = kUpdateBase;
    if (const char* set = std::getenv(kUpdateBaseVariable); set && *set) base = set;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + kUpdateDocumentPath;
}

UpdateEntry ReadUpdateDocument(std::string_view document, const std::string& product) {
    UpdateEntry entry;
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(document.data(), document.size());
    if (!parsed) {
        entry.status = UpdateEntry::Status::NotXml;
        entry.text = parsed.description();
        return entry;
    }
    const pugi::xml_node element = doc.child("ProductVersions").child(product.c_str());
    if (!element) {
        entry.status = UpdateEntry::Status::NoProduct;
        return entry;
    }
    const pugi::xml_node version = element.child("Version");
    const pugi::xml_node url = element.child("URL");
    if (!version || !url || !ReadDecimal(version.text().get(), entry.version)) {
        entry.status = UpdateEntry::Status::BadEntry;
        return entry;
    }
    entry.url = std::string(Trim(url.text().get()));
    entry.status = UpdateEntry::Status::Found;
    return entry;
}

UpdateCheck::UpdateCheck(HttpGet& http, Prompts& prompts) : m_http(http), m_prompts(prompts) {}

void UpdateCheck::Run(UpdateDetails& details, const ProxySettings& proxy) {
    m_prompts.SetBusyPointer(true);
    details.Repaint();
    details.SetStatus(kCheckingText);

    const HttpResult response = m_http.Get(UpdateDocumentUrl(), proxy);
    UpdateEntry entry;
    if (response.failure == HttpResult::Failure::None)
        entry = ReadUpdateDocument(response.body, kAppName);

    if (response.failure == HttpResult::Failure::Network) {
        // The check is over: the line must not go on saying it is running.
        details.SetStatus("");
        m_prompts.SetBusyPointer(false);
        m_prompts.MessageBox(kNetworkErrorText + std::to_string(response.socketError),
                             kNetworkErrorCaption);
        return;
    }
    if (response.failure == HttpResult::Failure::Other || entry.status == UpdateEntry::Status::NotXml) {
        details.SetStatus("");
        m_prompts.SetBusyPointer(false);
        m_prompts.ErrorBox(response.failure == HttpResult::Failure::Other ? response.errorText : entry.text, 0);
        return;
    }
    if (entry.status != UpdateEntry::Status::Found) {
        details.SetStatus(kFetchErrorText);
        m_prompts.SetBusyPointer(false);
        return;
    }

    m_downloadUrl = entry.url;
    const bool newer = entry.version > kAppVersion;
    details.SetOutcome(newer ? kNewerText : kUpToDateText);
    details.ShowDownload(newer);
    details.SetStatus("");
    m_prompts.SetBusyPointer(false);
}
