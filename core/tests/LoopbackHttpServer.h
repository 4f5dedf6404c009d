#pragma once

// A loopback HTTP server for tests of the programs' HTTP exchanges: nothing leaves the machine.

#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Winsock reached through its DLL, so that the test program needs no further import library.
struct Winsock {
    HMODULE module = nullptr;
    int(WSAAPI* startup)(WORD, LPWSADATA) = nullptr;
    SOCKET(WSAAPI* openSocket)(int, int, int) = nullptr;
    int(WSAAPI* bindSocket)(SOCKET, const sockaddr*, int) = nullptr;
    int(WSAAPI* listenOn)(SOCKET, int) = nullptr;
    SOCKET(WSAAPI* acceptOn)(SOCKET, sockaddr*, int*) = nullptr;
    int(WSAAPI* receive)(SOCKET, char*, int, int) = nullptr;
    int(WSAAPI* sendOn)(SOCKET, const char*, int, int) = nullptr;
    int(WSAAPI* closeSocket)(SOCKET) = nullptr;
    int(WSAAPI* socketName)(SOCKET, sockaddr*, int*) = nullptr;
    int(WSAAPI* selectOn)(int, fd_set*, fd_set*, fd_set*, const timeval*) = nullptr;
    int(WSAAPI* setOption)(SOCKET, int, int, const char*, int) = nullptr;
    int(WSAAPI* shutdownSocket)(SOCKET, int) = nullptr;

    static const Winsock& get() {
        static const Winsock winsock = load();
        return winsock;
    }
    bool ready() const { return closeSocket != nullptr; }

private:
    template <class F>
    static void bind(HMODULE module, F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    static Winsock load() {
        Winsock w;
        w.module = LoadLibraryW(L"ws2_32.dll");
        if (!w.module)
            return w;
        bind(w.module, w.startup, "WSAStartup");
        bind(w.module, w.openSocket, "socket");
        bind(w.module, w.bindSocket, "bind");
        bind(w.module, w.listenOn, "listen");
        bind(w.module, w.acceptOn, "accept");
        bind(w.module, w.receive, "recv");
        bind(w.module, w.sendOn, "send");
        bind(w.module, w.socketName, "getsockname");
        bind(w.module, w.selectOn, "select");
        bind(w.module, w.setOption, "setsockopt");
        bind(w.module, w.shutdownSocket, "shutdown");
        bind(w.module, w.closeSocket, "closesocket");
        WSADATA data;
        if (!w.startup || !w.openSocket || !w.bindSocket || !w.listenOn || !w.acceptOn ||
            !w.receive || !w.sendOn || !w.socketName || !w.selectOn || !w.setOption ||
            !w.shutdownSocket || w.startup(MAKEWORD(2, 2), &data) != 0)
            w.closeSocket = nullptr;
        return w;
    }
};

// A one-thread HTTP server on 127.0.0.1 that answers each connection with the next canned
// reply (the last one again once they run out) and closes it. It serves at most
// kMaxConnections and stops by itself after kLifetimeMs, so a test can never hang on it.
// A silent server reads each request and then holds the connection open without a word until
// it stops, as a server that hangs does. A trickling server sends its reply one byte at a time,
// a given time apart, as a server that drags does, and notes when the client hangs up on it.
class LoopbackHttpServer {
public:
    static constexpr int kMaxConnections = 16;
    static constexpr ULONGLONG kLifetimeMs = 60000;

    enum class Mode { Answer, Silent, Trickle };

    explicit LoopbackHttpServer(std::vector<std::string> replies, Mode mode = Mode::Answer,
                                DWORD trickleMs = 0)
        : replies_(std::move(replies)), mode_(mode), trickleMs_(trickleMs) {
        const Winsock& ws = Winsock::get();
        if (!ws.ready())
            return;
        listener_ = ws.openSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == INVALID_SOCKET)
            return;
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = 0x0100007F; // 127.0.0.1 in network order
        address.sin_port = 0;
        int size = sizeof(address);
        if (ws.bindSocket(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ws.listenOn(listener_, 8) != 0 ||
            ws.socketName(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ws.closeSocket(listener_);
            listener_ = INVALID_SOCKET;
            return;
        }
        port_ = ((address.sin_port & 0xFF) << 8) | ((address.sin_port >> 8) & 0xFF);
        thread_ = std::thread([this] { run(); });
    }

    ~LoopbackHttpServer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        for (SOCKET held : held_)
            Winsock::get().closeSocket(held);
        if (listener_ != INVALID_SOCKET)
            Winsock::get().closeSocket(listener_);
    }

    bool listening() const { return port_ != 0; }
    std::wstring url(const std::wstring& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
    }
    int requestCount() const { return served_; }
    // The request heads received so far (request line and headers).
    std::vector<std::string> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    // For each trickled connection, the tick count (GetTickCount64) at which the client was seen
    // to close it while the reply was still coming; 0 when it held on to the end.
    std::vector<ULONGLONG> clientHangUps() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return hangUps_;
    }

private:
    void run() {
        const Winsock& ws = Winsock::get();
        const ULONGLONG deadline = GetTickCount64() + kLifetimeMs;
        while (!stop_ && served_ < kMaxConnections && GetTickCount64() < deadline) {
            if (!readable(listener_, 50000))
                continue;
            SOCKET client = ws.acceptOn(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                continue;
            if (serve(client))
                ws.closeSocket(client);
            else
                held_.push_back(client);
        }
    }

    // False when the connection is held open unanswered; the destructor closes it.
    bool serve(SOCKET client) {
        const Winsock& ws = Winsock::get();
        const DWORD timeoutMs = 5000;
        // A client that stops reading must not keep the server (and the test) waiting.
        ws.setOption(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                     sizeof(timeoutMs));
        ws.setOption(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                     sizeof(timeoutMs));
        std::string head;
        char chunk[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            const int got = ws.receive(client, chunk, sizeof(chunk), 0);
            if (got <= 0)
                break;
            head.append(chunk, static_cast<std::size_t>(got));
        }
        const std::size_t index = static_cast<std::size_t>(served_.load());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        // Counted before the reply goes out, so that a client that has its answer sees it.
        ++served_;
        if (mode_ == Mode::Silent)
            return false;
        const std::string& reply = replies_[index < replies_.size() ? index : replies_.size() - 1];
        std::size_t sent = 0;
        ULONGLONG hungUp = 0;
        while (sent < reply.size() && !stop_) {
            if (mode_ == Mode::Trickle && sent > 0) {
                hungUp = waitForHangUp(client, trickleMs_);
                if (hungUp)
                    break;
            }
            const std::size_t piece = mode_ == Mode::Trickle ? 1 : reply.size() - sent;
            const int n = ws.sendOn(client, reply.data() + sent, static_cast<int>(piece), 0);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        if (mode_ == Mode::Trickle) {
            std::lock_guard<std::mutex> lock(mutex_);
            hangUps_.push_back(hungUp);
        }
        ws.shutdownSocket(client, SD_SEND);
        return true;
    }

    // True when the socket has something to read (a connection to accept, or a close) within
    // waitUs microseconds.
    static bool readable(SOCKET socket, long waitUs) {
        fd_set set;
        set.fd_count = 1;
        set.fd_array[0] = socket;
        timeval wait = {0, waitUs};
        return Winsock::get().selectOn(0, &set, nullptr, nullptr, &wait) == 1;
    }

    // Waits ms (or until the server stops) for the client to close its end, which makes the
    // socket readable with nothing (or an error) to read. Returns the tick of the close; 0 when
    // the client held on.
    ULONGLONG waitForHangUp(SOCKET client, DWORD ms) {
        const Winsock& ws = Winsock::get();
        const ULONGLONG end = GetTickCount64() + ms;
        while (!stop_ && GetTickCount64() < end) {
            if (!readable(client, 20000))
                continue;
            char byte = 0;
            if (ws.receive(client, &byte, 1, 0) <= 0)
                return GetTickCount64();
        }
        return 0;
    }

    std::vector<std::string> replies_;
    Mode mode_;
    DWORD trickleMs_;
    std::vector<SOCKET> held_; // server thread only, then the destructor
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<ULONGLONG> hangUps_;
    std::thread thread_;
};

// A whole HTTP reply around the body.
inline std::string reply(const std::string& body, const std::string& contentType = "text/plain",
                         const std::string& status = "200 OK") {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

// The exchange must reach the loopback server directly, whatever proxy the machine has.
inline void clearProxyEnvironment() {
    for (const wchar_t* name : {L"http_proxy", L"HTTP_PROXY", L"https_proxy", L"HTTPS_PROXY"}) {
        SetEnvironmentVariableW(name, nullptr);
        _wputenv((std::wstring(name) + L"=").c_str());
    }
}
