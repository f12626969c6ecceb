#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/app_info.h"
#include "app/http_get.h"

namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

void InitialiseOnce() { static const CurlGlobal global; }

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct Body {
    std::string text;
    bool tooLarge = false;
};

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const std::size_t bytes = size * count;
    if (body->text.size() + bytes > CurlHttpGet::kMaxBodyBytes) {
        body->tooLarge = true;
        return 0;  // ends the transfer
    }
    body->text.append(data, bytes);
    return bytes;
}

// The proxy as libcurl takes it: a SOCKS 5 address whose host name the proxy
// resolves. Built and checked by libcurl's own URL parser, so that a host
// field holding "user@host" or "http://host" cannot turn into credentials or
// another kind of proxy. On failure, the parser's text.
std::optional<std::string> ProxyAddress(const ProxySettings& proxy, std::string& error) {
    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    std::string host = proxy.server;
    if (host.find(':') != std::string::npos && !host.starts_with('[')) host = "[" + host + "]";
    CURLUcode rc = curl_url_set(url.get(), CURLUPART_SCHEME, "socks5h", CURLU_NON_SUPPORT_SCHEME);
    if (rc == CURLUE_OK) rc = curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0);
    if (rc == CURLUE_OK) rc = curl_url_set(url.get(), CURLUPART_PORT, std::to_string(proxy.port).c_str(), 0);
    char* text = nullptr;
    if (rc == CURLUE_OK) rc = curl_url_get(url.get(), CURLUPART_URL, &text, 0);
    if (rc != CURLUE_OK) {
        error = curl_url_strerror(rc);
        return std::nullopt;
    }
    std::string address = text;
    curl_free(text);
    return address;
}

// The operating system's error number behind a failure that happened on the
// way to the server, or nothing for every other failure. Where the system
// reported no number (a look-up, libcurl's own clock, a proxy that answered
// with a SOCKS reply code) the number the system gives for the same
// condition stands in.
std::optional<int> SocketError(CURLcode code, long osErrno, long proxyError) {
    const auto reported = [osErrno](int standIn) { return osErrno != 0 ? int(osErrno) : standIn; };
    switch (code) {
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
            return reported(EHOSTUNREACH);
        case CURLE_OPERATION_TIMEDOUT:
            return reported(ETIMEDOUT);
        case CURLE_COULDNT_CONNECT:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
            return reported(ECONNRESET);
        case CURLE_PROXY:
            switch (proxyError) {
                case CURLPX_REPLY_CONNECTION_REFUSED: return ECONNREFUSED;
                case CURLPX_REPLY_HOST_UNREACHABLE:
                case CURLPX_RESOLVE_HOST: return EHOSTUNREACH;
                case CURLPX_REPLY_NETWORK_UNREACHABLE: return ENETUNREACH;
                case CURLPX_REPLY_TTL_EXPIRED: return ETIMEDOUT;
                // The proxy broke off its own handshake.
                case CURLPX_RECV_AUTH:
                case CURLPX_RECV_CONNECT:
                case CURLPX_RECV_REQACK:
                case CURLPX_RECV_ADDRESS:
                case CURLPX_SEND_AUTH:
                case CURLPX_SEND_CONNECT:
                case CURLPX_SEND_REQUEST: return reported(ECONNRESET);
                default: return std::nullopt;
            }
        default:
            return std::nullopt;
    }
}

HttpResult OtherFailure(std::string text) {
    HttpResult result;
    result.failure = HttpResult::Failure::Other;
    result.errorText = std::move(text);
    return result;
}

}  // namespace

CurlHttpGet::CurlHttpGet(std::chrono::milliseconds timeout) : m_timeout(timeout) {}

HttpResult CurlHttpGet::Get(const std::string& url, const ProxySettings& proxy) {
    InitialiseOnce();
    // A handle of its own per request: its connection ends with it.
    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle) return OtherFailure(curl_easy_strerror(CURLE_FAILED_INIT));
    CURL* h = handle.get();

    std::string proxyAddress;
    if (proxy.enabled != 0) {
        std::string error;
        std::optional<std::string> address = ProxyAddress(proxy, error);
        if (!address) return OtherFailure(error);
        proxyAddress = std::move(*address);
    }

    Body body;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::unique_ptr<curl_slist, SlistDeleter> headers(curl_slist_append(nullptr, "Connection: close"));
    char userAgent[64];
    std::snprintf(userAgent, sizeof userAgent, "%s/%1.2f", kAppName, kAppVersion);

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_USERAGENT, userAgent);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(m_timeout.count()));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_timeout.count()));
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    // The proxy settings alone decide the route: the environment's proxy
    // variables (http_proxy, all_proxy, no_proxy) are not consulted.
    curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    curl_easy_setopt(h, CURLOPT_PROXY, proxyAddress.c_str());
    if (proxy.enabled != 0) {
        // Without this libcurl's greeting also offers GSS-API.
        curl_easy_setopt(h, CURLOPT_SOCKS5_AUTH, static_cast<long>(CURLAUTH_BASIC));
        if (!proxy.user.empty()) {
            curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
        }
    }

    const CURLcode code = curl_easy_perform(h);
    if (code == CURLE_OK) {
        HttpResult result;
        result.body = std::move(body.text);
        return result;
    }
    if (body.tooLarge)
        return OtherFailure("The update document is larger than " + std::to_string(kMaxBodyBytes) + " bytes");

    long osErrno = 0;
    long proxyError = 0;
    curl_easy_getinfo(h, CURLINFO_OS_ERRNO, &osErrno);
    curl_easy_getinfo(h, CURLINFO_PROXY_ERROR, &proxyError);
    if (const std::optional<int> socketError = SocketError(code, osErrno, proxyError)) {
        HttpResult result;
        result.failure = HttpResult::Failure::Network;
        result.socketError = *socketError;
        return result;
    }
    return OtherFailure(errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code));
}
