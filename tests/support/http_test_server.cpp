#include "http_test_server.h"

#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace rangwerk::testing {

namespace {

// The few socket calls that differ between POSIX and Winsock.
#ifdef _WIN32
using PollEntry = WSAPOLLFD;
constexpr SocketHandle kNoSocket = INVALID_SOCKET;

void UseSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        throw std::runtime_error("WSAStartup failed");
    }
}
SocketHandle NewSocket(int type) {
    UseSockets();
    return socket(AF_INET, type, 0);
}
void CloseSocket(SocketHandle s) {
    closesocket(s);
}
int PollSockets(PollEntry* entries, int count, int timeoutMs) {
    return WSAPoll(entries, static_cast<ULONG>(count), timeoutMs);
}
bool Interrupted() {
    return WSAGetLastError() == WSAEINTR;
}
bool WouldBlock() {
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}
void SetNonBlocking(SocketHandle s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
long Receive(SocketHandle s, char* buffer, std::size_t size) {
    return recv(s, buffer, static_cast<int>(size), 0);
}
long Send(SocketHandle s, const char* data, std::size_t size) {
    return send(s, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
}
SocketHandle AcceptConnection(SocketHandle listener) {
    const SocketHandle connection = accept(listener, nullptr, nullptr);
    if (connection != kNoSocket) {
        SetNonBlocking(connection);
    }
    return connection;
}
void EndSending(SocketHandle s) {
    shutdown(s, SD_SEND);
}
#else
using PollEntry = pollfd;
constexpr SocketHandle kNoSocket = -1;

SocketHandle NewSocket(int type) {
    return socket(AF_INET, type | SOCK_CLOEXEC, 0);
}
void CloseSocket(SocketHandle s) {
    close(s);
}
int PollSockets(PollEntry* entries, int count, int timeoutMs) {
    return poll(entries, static_cast<nfds_t>(count), timeoutMs);
}
bool Interrupted() {
    return errno == EINTR;
}
bool WouldBlock() {
    return errno == EAGAIN || errno == EINTR;
}
long Receive(SocketHandle s, char* buffer, std::size_t size) {
    return recv(s, buffer, size, MSG_DONTWAIT);
}
long Send(SocketHandle s, const char* data, std::size_t size) {
    return send(s, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
}
SocketHandle AcceptConnection(SocketHandle listener) {
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}
void EndSending(SocketHandle s) {
    shutdown(s, SHUT_WR);
}
#endif

constexpr int kRequestTimeoutMs = 5000;
constexpr std::size_t kMaxRequestBytes = 64 * 1024;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

SocketHandle BoundSocket(int& port, int type = SOCK_STREAM) {
    const SocketHandle s = NewSocket(type);
    if (s == kNoSocket) {
        throw std::runtime_error("socket failed");
    }
#ifndef _WIN32
    // (On Windows this would let another socket take the same port.)
    const int yes = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        CloseSocket(s);
        throw std::runtime_error("bind failed");
    }
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

// The wake channel of Stop: a pipe, or on Windows a UDP socket on 127.0.0.1 and one that
// sends it a datagram.
void MakeWakeChannel(SocketHandle& read, SocketHandle& write) {
#ifdef _WIN32
    int port = 0;
    read = BoundSocket(port, SOCK_DGRAM);
    write = NewSocket(SOCK_DGRAM);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    if (write == kNoSocket ||
        connect(write, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("wake socket failed");
    }
#else
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    read = ends[0];
    write = ends[1];
#endif
}

void Wake(SocketHandle write) {
    const char byte = 'x';
#ifdef _WIN32
    send(write, &byte, 1, 0);
#else
    [[maybe_unused]] const auto written = ::write(write, &byte, 1);
#endif
}

void CloseWakeChannel(SocketHandle read, SocketHandle write) {
#ifdef _WIN32
    CloseSocket(read);
    CloseSocket(write);
#else
    close(read);
    close(write);
#endif
}

HttpReceivedRequest ParseRequest(const std::string& head) {
    HttpReceivedRequest request;
    std::size_t at = head.find("\r\n");
    request.requestLine = head.substr(0, at);
    const auto firstBlank = request.requestLine.find(' ');
    const auto secondBlank = request.requestLine.find(' ', firstBlank + 1);
    if (firstBlank != std::string::npos) {
        request.method = request.requestLine.substr(0, firstBlank);
        request.target = request.requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    }
    while (at != std::string::npos) {
        const std::size_t begin = at + 2;
        at = head.find("\r\n", begin);
        const std::string line = head.substr(begin, at == std::string::npos ? at : at - begin);
        if (line.empty()) {
            break;
        }
        const auto colon = line.find(':');
        if (colon != std::string::npos) {
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
        }
    }
    return request;
}

}  // namespace

std::optional<std::string> HttpReceivedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (SameName(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

HttpTestServer::HttpTestServer() {
    listener_ = BoundSocket(port_);
    if (listen(listener_, 16) != 0) {
        CloseSocket(listener_);
        throw std::runtime_error("listen failed");
    }
    try {
        MakeWakeChannel(wakeRead_, wakeWrite_);
    } catch (...) {
        CloseSocket(listener_);
        throw;
    }
    thread_ = std::thread([this] { Run(); });
}

HttpTestServer::~HttpTestServer() {
    Stop();
    CloseSocket(listener_);
    CloseWakeChannel(wakeRead_, wakeWrite_);
}

std::string HttpTestServer::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void HttpTestServer::Serve(const std::string& path, HttpTestResponse response) {
    std::lock_guard lock(mutex_);
    responses_[path] = std::move(response);
}

std::vector<HttpReceivedRequest> HttpTestServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t HttpTestServer::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

bool HttpTestServer::WaitForRequests(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return received_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return requests_.size() >= count; });
}

void HttpTestServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) {
            return;
        }
        stopped_ = true;
    }
    Wake(wakeWrite_);
    if (thread_.joinable()) {
        thread_.join();
    }
}

HttpTestServer::Wait HttpTestServer::Pause(SocketHandle connection, int milliseconds) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        PollEntry fds[2] = {{wakeRead_, POLLIN, 0}, {connection, POLLIN, 0}};
        const int ready = PollSockets(fds, 2, RemainingMs(deadline));
        if (ready < 0 && Interrupted()) {
            continue;
        }
        if (ready < 0 || fds[0].revents != 0) {
            return Wait::Stopped;
        }
        if (ready == 0) {
            return Wait::Elapsed;
        }
        // The client sends nothing more after its request: what arrives now is its close (or
        // bytes that are dropped).
        char buffer[4096];
        const long got = Receive(connection, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && !WouldBlock())) {
            return Wait::ClientClosed;
        }
    }
}

HttpTestServer::Wait HttpTestServer::SendAll(SocketHandle connection, const char* data,
                                             std::size_t size) {
    while (size > 0) {
        PollEntry fds[2] = {{wakeRead_, POLLIN, 0}, {connection, POLLOUT, 0}};
        if (PollSockets(fds, 2, -1) < 0) {
            if (Interrupted()) {
                continue;
            }
            return Wait::Stopped;
        }
        if (fds[0].revents != 0) {
            return Wait::Stopped;
        }
        if ((fds[1].revents & (POLLERR | POLLHUP)) != 0 && (fds[1].revents & POLLOUT) == 0) {
            return Wait::ClientClosed;
        }
        const long sent = Send(connection, data, size);
        if (sent < 0 && WouldBlock()) {
            continue;
        }
        if (sent <= 0) {
            return Wait::ClientClosed;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return Wait::Elapsed;
}

void HttpTestServer::NoteClientClose(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        requests_[index].clientClosedAt = Clock::now();
    }
    received_.notify_all();
}

std::optional<Clock::time_point> HttpTestServer::WaitForClientClose(std::size_t index,
                                                                    int timeoutMs) const {
    std::unique_lock lock(mutex_);
    received_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return index < requests_.size() && requests_[index].clientClosedAt.has_value();
    });
    if (index < requests_.size()) {
        return requests_[index].clientClosedAt;
    }
    return std::nullopt;
}

void HttpTestServer::Run() {
    for (;;) {
        PollEntry fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (PollSockets(fds, 2, -1) < 0) {
            if (Interrupted()) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents & POLLIN) {
            const SocketHandle connection = AcceptConnection(listener_);
            if (connection != kNoSocket) {
                Handle(connection);
                CloseSocket(connection);
            }
        }
    }
}

void HttpTestServer::Handle(SocketHandle connection) {
    // Read the head of the request.
    std::string head;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
    while (head.find("\r\n\r\n") == std::string::npos) {
        PollEntry fds[2] = {{connection, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (PollSockets(fds, 2, RemainingMs(deadline)) <= 0 || fds[1].revents != 0) {
            return;
        }
        char buffer[4096];
        const long got = Receive(connection, buffer, sizeof buffer);
        if (got < 0 && WouldBlock()) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        head.append(buffer, static_cast<std::size_t>(got));
        if (head.size() > kMaxRequestBytes) {
            return;
        }
    }
    HttpReceivedRequest request = ParseRequest(head.substr(0, head.find("\r\n\r\n") + 2));

    HttpTestResponse response;
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        const auto found = responses_.find(request.target);
        if (found != responses_.end()) {
            response = found->second;
        } else {
            response.status = 404;
            response.reason = "Not Found";
            response.body = "<html><body>Not Found</body></html>";
        }
        index = requests_.size();
        requests_.push_back(std::move(request));
    }
    received_.notify_all();
    if (response.closeWithoutAnswer) {
        return;
    }
    // Ends the answer; a close by the client is noted.
    auto ended = [&](Wait wait) {
        if (wait == Wait::ClientClosed) {
            NoteClientClose(index);
        }
        return wait != Wait::Elapsed;
    };
    if (response.stallBeforeHeadersMs > 0 &&
        ended(Pause(connection, response.stallBeforeHeadersMs))) {
        return;
    }

    std::string answer = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason +
                         "\r\nConnection: close\r\nContent-Type: application/octet-stream\r\n";
    if (response.sendContentLength) {
        answer += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    }
    for (const auto& [name, value] : response.headers) {
        answer += name + ": " + value + "\r\n";
    }
    answer += "\r\n";
    if (ended(SendAll(connection, answer.data(), answer.size()))) {
        return;
    }

    if (response.endless && response.body.empty()) {
        response.body = "x";
    }
    const std::string& body = response.body;
    std::size_t bodyBytes = body.size();
    if (response.stallAfterBytes && *response.stallAfterBytes < bodyBytes) {
        bodyBytes = *response.stallAfterBytes;
    }
    std::size_t piece = response.chunkBytes > 0 ? response.chunkBytes : body.size();
    int pauseMs = response.chunkPauseMs;
    if (response.trickleEveryMs > 0) {
        piece = 1;
        pauseMs = response.trickleEveryMs;
    }
    // `sent` counts every byte of the body sent so far; an endless body starts over.
    std::uint64_t sent = 0;
    auto more = [&] { return response.endless || sent < bodyBytes; };
    while (more() && piece > 0) {
        const std::size_t offset = static_cast<std::size_t>(sent % body.size());
        std::size_t n = std::min(piece, body.size() - offset);
        if (!response.endless) {
            n = std::min<std::size_t>(n, static_cast<std::size_t>(bodyBytes - sent));
        }
        if (ended(SendAll(connection, body.data() + offset, n))) {
            return;
        }
        sent += n;
        if (more() && pauseMs > 0 && ended(Pause(connection, pauseMs))) {
            return;
        }
    }
    if (response.stallAfterBytes && *response.stallAfterBytes < body.size()) {
        ended(Pause(connection, response.stallMs));
        return;
    }
    EndSending(connection);
}

RefusingPort::RefusingPort() {
    socket_ = BoundSocket(port_);
}

RefusingPort::~RefusingPort() {
    CloseSocket(socket_);
}

std::string RefusingPort::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace rangwerk::testing
