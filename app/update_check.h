#pragma once

// "Check For Updates": fetch the maker's update document, find this
// product's entry and compare its version with the program's. Qt-free: the
// About box implements UpdateDetails and delegates its button here.

#include <string>
#include <string_view>

#include "app/http_get.h"
#include "app/proxy_settings.h"
#include "platform/prompts.h"

// The maker's update server; KESTRUNE_UPDATE_URL (scheme, host and port,
// e.g. http://127.0.0.1:8080) replaces it when set.
inline constexpr const char* kUpdateBase = "https://updates.copperlathe.example";
inline constexpr const char* kUpdateDocumentPath = "/versions/versions.xml";
inline constexpr const char* kUpdateBaseVariable = "KESTRUNE_UPDATE_URL";

// The document's address as it stands now (the variable is read each time).
std::string UpdateDocumentUrl();

// What a document says about one product.
struct UpdateEntry {
    enum class Status {
        Found,
        NotXml,     // text says why
        NoProduct,  // no "ProductVersions", or no element for the product in it
        BadEntry,   // "Version" missing or not a decimal number, or "URL" missing
    };
    Status status = Status::NotXml;
    double version = 0;
    std::string url;
    std::string text;
};

// Elements are matched by exact name; everything else is ignored.
UpdateEntry ReadUpdateDocument(std::string_view document, const std::string& product);

// What the check touches on the About box.
class UpdateDetails {
public:
    virtual ~UpdateDetails() = default;
    // lblStatus, the progress and failure line; shown at once.
    virtual void SetStatus(const std::string& text) = 0;
    // lblStatus2, the outcome line.
    virtual void SetOutcome(const std::string& text) = 0;
    virtual void ShowDownload(bool shown) = 0;
    // Repaints the whole box at once.
    virtual void Repaint() = 0;
};

inline constexpr const char* kCheckingText = "Checking for Updates";
inline constexpr const char* kFetchErrorText = "Error fetching update info";
inline constexpr const char* kNewerText = "A Newer Version Is Available";
inline constexpr const char* kUpToDateText = "The current version is up to date";
inline constexpr const char* kNetworkErrorCaption = "Check for Updates";
inline constexpr const char* kNetworkErrorText =
    "An Error occured whilst Checking for updates. \n\n Error Code : ";

class UpdateCheck final {
public:
    UpdateCheck(HttpGet& http, Prompts& prompts);

    // The whole check, blocking, with the busy pointer on while it runs.
    void Run(UpdateDetails& details, const ProxySettings& proxy);

    // Set by a check that read an entry; empty until then.
    const std::string& DownloadUrl() const { return m_downloadUrl; }

private:
    HttpGet& m_http;
    Prompts& m_prompts;
    std::string m_downloadUrl;
};
