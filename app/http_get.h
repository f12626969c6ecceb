#pragma once

// One HTTP GET, as the update check needs it: the body as text, directly or
// through a SOCKS 5 proxy, the connection closed after the response. The
// check is written against this; CurlHttpGet does it with libcurl.

#include <chrono>
#include <string>

#include "app/proxy_settings.h"

struct HttpResult {
    enum class Failure {
        None,
        Network,  // the server or the proxy could not be reached, or the
                  // connection broke or timed out
        Other,    // anything else: an HTTP error status, a refused proxy
                  // login, an address that cannot be used, ...
    };

    Failure failure = Failure::None;
    std::string body;         // Failure::None
    int socketError = 0;      // Failure::Network: the operating system's error number
    std::string errorText;    // Failure::Other: the transfer's own description
};

class HttpGet {
public:
    virtual ~HttpGet() = default;
    // Through the proxy when proxy.enabled is non-zero.
    virtual HttpResult Get(const std::string& url, const ProxySettings& proxy) = 0;
};

class CurlHttpGet final : public HttpGet {
public:
    // The longest a check may block the window: connecting, the proxy's
    // greeting and the whole transfer together.
    static constexpr std::chrono::milliseconds kDefaultTimeout{20000};
    // A document larger than this is not an update document.
    static constexpr std::size_t kMaxBodyBytes = 1 << 20;

    explicit CurlHttpGet(std::chrono::milliseconds timeout = kDefaultTimeout);

    HttpResult Get(const std::string& url, const ProxySettings& proxy) override;

private:
    std::chrono::milliseconds m_timeout;
};
