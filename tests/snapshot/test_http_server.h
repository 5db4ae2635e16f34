// A small HTTP/1.1 server on 127.0.0.1 for the capture tests: fixed pages by path, a status of
// choice, and pages that never answer. One thread accepts, one thread serves each connection
// (Chromium opens several at once); every connection is closed after its answer.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pagelens::test {

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    bool neverAnswer = false;  // keeps the connection open without a byte until the server stops
    std::string location;      // sent as the Location header when not empty
    std::string setCookie;     // sent as a Set-Cookie header when not empty
};

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void Route(const std::string& path, HttpResponse response);
    // Answers `withCookie` to requests whose Cookie header holds `cookie` ("name=value", or
    // several: "a=1; b=2") and `otherwise` to the rest.
    void RouteByCookie(const std::string& path, const std::string& cookie, HttpResponse withCookie,
                       HttpResponse otherwise);
    uint16_t port() const { return port_; }
    // The server answers on 127.0.0.1; "localhost" reaches it under another host name, with
    // cookies of its own.
    std::wstring Url(const std::string& path, const std::string& host = "127.0.0.1") const;
    // How many requests asked for `path` so far.
    int RequestCount(const std::string& path);
    // The Cookie header of each request for `path` so far, in order ("" for none).
    std::vector<std::string> CookiesReceived(const std::string& path);
    // Whether any request so far held `text` anywhere in its head.
    bool AnyRequestHolds(const std::string& text);

private:
    void AcceptLoop();
    void Serve(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    HANDLE stopEvent_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    struct Answers {
        HttpResponse response;
        std::string cookie;  // none: `response` for every request
        HttpResponse otherwise;
    };
    std::map<std::string, Answers> routes_;
    std::map<std::string, int> counts_;
    std::map<std::string, std::vector<std::string>> cookies_;  // path -> each request's
    std::vector<std::string> heads_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// A port on 127.0.0.1 where nothing listens (bound for a moment, then released).
uint16_t UnusedLoopbackPort();
// Whether something accepts connections on 127.0.0.1:port.
bool LoopbackPortAccepts(uint16_t port);

}  // namespace pagelens::test
