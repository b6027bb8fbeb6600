#include "http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace rangwerk::testing {

namespace {

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

int BoundSocket(int& port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        throw std::runtime_error("socket failed");
    }
    const int yes = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(s);
        throw std::runtime_error("bind failed");
    }
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
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
        close(listener_);
        throw std::runtime_error("listen failed");
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        close(listener_);
        throw std::runtime_error("pipe failed");
    }
    wakeRead_ = pipeEnds[0];
    wakeWrite_ = pipeEnds[1];
    thread_ = std::thread([this] { Run(); });
}

HttpTestServer::~HttpTestServer() {
    Stop();
    close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
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
    const char byte = 'x';
    [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
    if (thread_.joinable()) {
        thread_.join();
    }
}

HttpTestServer::Wait HttpTestServer::Pause(int connection, int milliseconds) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {connection, POLLIN, 0}};
        const int ready = poll(fds, 2, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
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
        const ssize_t got = recv(connection, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
            return Wait::ClientClosed;
        }
    }
}

HttpTestServer::Wait HttpTestServer::SendAll(int connection, const char* data, std::size_t size) {
    while (size > 0) {
        pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {connection, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Wait::Stopped;
        }
        if (fds[0].revents != 0) {
            return Wait::Stopped;
        }
        const ssize_t sent = send(connection, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
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
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents & POLLIN) {
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) {
                Handle(connection);
                close(connection);
            }
        }
    }
}

void HttpTestServer::Handle(int connection) {
    // Read the head of the request.
    std::string head;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, RemainingMs(deadline)) <= 0 || fds[1].revents != 0) {
            return;
        }
        char buffer[4096];
        const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
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
    shutdown(connection, SHUT_WR);
}

RefusingPort::RefusingPort() {
    socket_ = BoundSocket(port_);
}

RefusingPort::~RefusingPort() {
    close(socket_);
}

std::string RefusingPort::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace rangwerk::testing
