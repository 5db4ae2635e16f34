#include "tests/snapshot/test_http_server.h"

#include <ws2tcpip.h>

namespace pagelens::test {
namespace {

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

struct WinsockStarted {
    WinsockStarted() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

void StartWinsock() { static WinsockStarted started; }

// The request's path, from "GET /path?query HTTP/1.1".
std::string RequestPath(const std::string& head) {
    const size_t start = head.find(' ');
    if (start == std::string::npos) return {};
    const size_t end = head.find_first_of(" ?", start + 1);
    return head.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

// The request's Cookie header's value, "" when it has none.
std::string CookieHeader(const std::string& head) {
    for (size_t line = head.find("\r\n"); line != std::string::npos;
         line = head.find("\r\n", line + 2))
        if (_strnicmp(head.c_str() + line + 2, "Cookie: ", 8) == 0)
            return head.substr(line + 10, head.find("\r\n", line + 2) - line - 10);
    return {};
}

// Whether the request's Cookie header holds `cookie` as one of its "name=value" pairs.
bool CarriesCookie(const std::string& head, const std::string& cookie) {
    for (size_t line = head.find("\r\n"); line != std::string::npos;
         line = head.find("\r\n", line + 2)) {
        const size_t start = line + 2;
        if (_strnicmp(head.c_str() + start, "Cookie:", 7) != 0) continue;
        const size_t end = head.find("\r\n", start);
        std::string value = head.substr(start + 7, end - start - 7);
        for (size_t from = 0; from <= value.size();) {
            size_t to = value.find(';', from);
            if (to == std::string::npos) to = value.size();
            std::string pair = value.substr(from, to - from);
            pair.erase(0, pair.find_first_not_of(' '));
            if (pair == cookie) return true;
            from = to + 1;
        }
    }
    return false;
}

// Whether the request carries every pair of `cookies` ("a=1; b=2").
bool CarriesCookies(const std::string& head, const std::string& cookies) {
    for (size_t from = 0; from < cookies.size();) {
        size_t to = cookies.find("; ", from);
        if (to == std::string::npos) to = cookies.size();
        if (!CarriesCookie(head, cookies.substr(from, to - from))) return false;
        from = to + 2;
    }
    return true;
}

}  // namespace

TestHttpServer::TestHttpServer() {
    StartWinsock();
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 64);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    SetEvent(stopEvent_);
    closesocket(listener_);
    acceptor_.join();
    for (auto& worker : workers_) worker.join();
    CloseHandle(stopEvent_);
}

void TestHttpServer::Route(const std::string& path, HttpResponse response) {
    std::lock_guard lock(mutex_);
    routes_[path] = {std::move(response), {}, {}};
}

void TestHttpServer::RouteByCookie(const std::string& path, const std::string& cookie,
                                   HttpResponse withCookie, HttpResponse otherwise) {
    std::lock_guard lock(mutex_);
    routes_[path] = {std::move(withCookie), cookie, std::move(otherwise)};
}

std::wstring TestHttpServer::Url(const std::string& path, const std::string& host) const {
    return L"http://" + std::wstring(host.begin(), host.end()) + L":" + std::to_wstring(port_) +
           std::wstring(path.begin(), path.end());
}

int TestHttpServer::RequestCount(const std::string& path) {
    std::lock_guard lock(mutex_);
    return counts_[path];
}

std::vector<std::string> TestHttpServer::CookiesReceived(const std::string& path) {
    std::lock_guard lock(mutex_);
    return cookies_[path];
}

bool TestHttpServer::AnyRequestHolds(const std::string& text) {
    std::lock_guard lock(mutex_);
    for (const auto& head : heads_)
        if (head.find(text) != std::string::npos) return true;
    return false;
}

void TestHttpServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;  // the listener was closed
        std::lock_guard lock(mutex_);
        if (stopping_) {
            closesocket(client);
            return;
        }
        workers_.emplace_back([this, client] { Serve(client); });
    }
}

void TestHttpServer::Serve(SOCKET client) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        // Browsers open connections ahead of need: do not sit in recv past the server's end.
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval tick{0, 100000};
        if (select(0, &readable, nullptr, nullptr, &tick) == 0) {
            if (stopping_) break;
            continue;
        }
        const int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closesocket(client);
            return;
        }
        head.append(buffer, n);
    }
    if (head.find("\r\n\r\n") == std::string::npos) {
        closesocket(client);
        return;
    }
    const std::string path = RequestPath(head);
    HttpResponse response{404, "text/html", "<html><body>Not found</body></html>", false};
    {
        std::lock_guard lock(mutex_);
        ++counts_[path];
        cookies_[path].push_back(CookieHeader(head));
        heads_.push_back(head);
        if (auto found = routes_.find(path); found != routes_.end())
            response = CarriesCookies(head, found->second.cookie) ? found->second.response
                                                                  : found->second.otherwise;
    }
    if (response.neverAnswer) {
        WaitForSingleObject(stopEvent_, INFINITE);
    } else {
        const std::string answer =
            "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonPhrase(response.status) +
            "\r\nContent-Type: " + response.contentType +
            "\r\nContent-Length: " + std::to_string(response.body.size()) +
            (response.location.empty() ? "" : "\r\nLocation: " + response.location) +
            (response.setCookie.empty() ? "" : "\r\nSet-Cookie: " + response.setCookie) +
            "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + response.body;
        size_t sent = 0;
        while (sent < answer.size()) {
            const int n =
                send(client, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        shutdown(client, SD_SEND);
    }
    closesocket(client);
}

uint16_t UnusedLoopbackPort() {
    StartWinsock();
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
}

bool LoopbackPortAccepts(uint16_t port) {
    StartWinsock();
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(port);
    const bool accepted =
        connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(probe);
    return accepted;
}

}  // namespace pagelens::test
