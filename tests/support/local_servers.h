#pragma once

// Servers the update-check tests start for themselves, on 127.0.0.1 with
// ports chosen at run time, and stop when they go out of scope:
//
//   LocalHttpServer http;                       // a tiny HTTP/1.1 server
//   http.Serve("/versions/versions.xml", {200, "<ProductVersions>...</ProductVersions>"});
//   SocksProxy proxy("user", "secret");         // Debian's microsocks
//   SocksGreetingListener listener;             // records a SOCKS 5 greeting
//
// Nothing here sleeps for a fixed time: each waits on the condition it needs.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace local_servers {

// A socket listening on 127.0.0.1 at a port the system chose.
inline int ListenLocal(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 16) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        port = 0;
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

// A port nobody listens on: the system chose it, and it was let go again.
inline int UnusedLocalPort() {
    int port = 0;
    const int fd = ListenLocal(port);
    if (fd >= 0) ::close(fd);
    return port;
}

inline bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

// The base of a thread that serves one connection at a time until stopped.
class LocalListener {
public:
    LocalListener() {
        m_listen = ListenLocal(m_port);
        if (::pipe2(m_wake, O_CLOEXEC) != 0) m_wake[0] = m_wake[1] = -1;
    }
    virtual ~LocalListener() {
        StopServing();
        for (const int fd : {m_listen, m_wake[0], m_wake[1]})
            if (fd >= 0) ::close(fd);
    }
    LocalListener(const LocalListener&) = delete;
    LocalListener& operator=(const LocalListener&) = delete;

    int Port() const { return m_port; }

protected:
    // Derived classes call this last in their constructor.
    void Start() {
        m_thread = std::thread([this] {
            while (WaitReadable(m_listen)) {
                const int conn = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                if (conn < 0) continue;
                Serve(conn);
                ::close(conn);
            }
        });
    }
    // Derived classes call this first in their destructor: the thread must
    // not run their Serve while they are being taken apart.
    void StopServing() {
        if (!m_thread.joinable()) return;
        (void)!::write(m_wake[1], "x", 1);
        m_thread.join();
    }
    virtual void Serve(int conn) = 0;

    // False once the listener is being stopped.
    bool WaitReadable(int fd) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0) {
        }
        return (fds[1].revents & POLLIN) == 0;
    }
    // Up to n bytes; nothing when the peer closed or the listener stops.
    std::optional<std::string> ReadSome(int fd, std::size_t n) {
        if (!WaitReadable(fd)) return std::nullopt;
        std::string data(n, '\0');
        const ssize_t got = ::recv(fd, data.data(), n, 0);
        if (got <= 0) return std::nullopt;
        data.resize(static_cast<std::size_t>(got));
        return data;
    }
    std::optional<std::string> ReadExactly(int fd, std::size_t n) {
        std::string data;
        while (data.size() < n) {
            std::optional<std::string> more = ReadSome(fd, n - data.size());
            if (!more) return std::nullopt;
            data += *more;
        }
        return data;
    }
    static void SendAll(int fd, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;

private:
    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

// HTTP/1.1: answers a GET of a served path with its status and body, any
// other path with 404, and leaves closing the connection to the client.
class LocalHttpServer final : public LocalListener {
public:
    struct Reply {
        int status = 200;
        std::string body;
    };

    LocalHttpServer() { Start(); }
    ~LocalHttpServer() override { StopServing(); }

    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(Port()); }

    void Serve(const std::string& path, Reply reply) {
        const std::lock_guard lock(m_mutex);
        m_replies[path] = std::move(reply);
    }
    // Reads requests and never answers them.
    void Silent() {
        const std::lock_guard lock(m_mutex);
        m_silent = true;
    }
    // The request lines ("GET /path HTTP/1.1"), in order.
    std::vector<std::string> Requests() const {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // Waits until the client has closed this many connections after their
    // responses.
    bool WaitForClientCloses(int count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_clientCloses >= count; });
    }

private:
    void Serve(int conn) override {
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos) {
            std::optional<std::string> more = ReadSome(conn, 4096);
            if (!more) return;
            request += *more;
        }
        const std::string line = request.substr(0, request.find("\r\n"));
        Reply reply{404, "not found"};
        bool silent = false;
        {
            const std::lock_guard lock(m_mutex);
            m_requests.push_back(line);
            silent = m_silent;
            const std::size_t start = line.find(' ') + 1;
            const std::string path = line.substr(start, line.find(' ', start) - start);
            if (const auto it = m_replies.find(path); it != m_replies.end()) reply = it->second;
        }
        if (!silent) {
            SendAll(conn, "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\n"
                          "Content-Type: text/xml\r\n"
                          "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" +
                          reply.body);
        }
        // Whatever else arrives, the end of the connection is what counts.
        while (ReadSome(conn, 4096)) {
        }
        if (silent) return;
        const std::lock_guard lock(m_mutex);
        ++m_clientCloses;
        m_changed.notify_all();
    }

    std::map<std::string, Reply> m_replies;
    bool m_silent = false;
    std::vector<std::string> m_requests;
    int m_clientCloses = 0;
};

// Takes the place of a SOCKS 5 proxy for one greeting: records the version
// byte, the method count and the methods offered, then refuses them all.
class SocksGreetingListener final : public LocalListener {
public:
    SocksGreetingListener() { Start(); }
    ~SocksGreetingListener() override { StopServing(); }

    // The greeting's bytes, once one has arrived.
    std::optional<std::string> Greeting(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, limit, [&] { return m_greeting.has_value(); });
        return m_greeting;
    }

private:
    void Serve(int conn) override {
        std::optional<std::string> greeting = ReadExactly(conn, 2);
        if (greeting) {
            if (std::optional<std::string> methods = ReadExactly(conn, static_cast<unsigned char>((*greeting)[1])))
                *greeting += *methods;
            SendAll(conn, std::string("\x05\xFF", 2));  // no acceptable method
        }
        const std::lock_guard lock(m_mutex);
        m_greeting = greeting.value_or("");
        m_changed.notify_all();
    }

    std::optional<std::string> m_greeting;
};

// Debian's microsocks, started on a port of its own; with a user name, it
// accepts only clients that log in with that name and password.
class SocksProxy final {
public:
    explicit SocksProxy(const std::string& user = {}, const std::string& password = {}) {
        // Another program may take the chosen port before the proxy does:
        // then the proxy ends at once, and another port is tried.
        for (int attempt = 0; attempt < 5 && m_pid <= 0; ++attempt) {
            m_port = UnusedLocalPort();
            if (!Spawn(user, password)) return;
            if (WaitUntilListening()) return;
            Stop();
        }
    }
    ~SocksProxy() { Stop(); }
    SocksProxy(const SocksProxy&) = delete;
    SocksProxy& operator=(const SocksProxy&) = delete;

    bool Running() const { return m_pid > 0; }
    int Port() const { return m_port; }

private:
    bool Spawn(const std::string& user, const std::string& password) {
        const std::string port = std::to_string(m_port);
        std::vector<std::string> args{"microsocks", "-i", "127.0.0.1", "-p", port};
        if (!user.empty()) args.insert(args.end(), {"-u", user, "-P", password});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int rc = ::posix_spawnp(&pid, "microsocks", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        m_pid = rc == 0 ? pid : 0;
        return rc == 0;
    }
    bool WaitUntilListening() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = 0;  // ended: the port was taken
                return false;
            }
            if (Accepts(m_port)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = 0;
    }

    pid_t m_pid = 0;
    int m_port = 0;
};

}  // namespace local_servers
