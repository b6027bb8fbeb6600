#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace rangwerk::testing {

// A socket of the platform (POSIX: a descriptor; Windows: a Winsock SOCKET).
#ifdef _WIN32
using SocketHandle = std::uintptr_t;
#else
using SocketHandle = int;
#endif

// One answer of the test server.
struct HttpTestResponse {
    int status = 200;
    std::string reason = "OK";
    std::string body{};
    // Announce the body's length; without it the end of the body is the closed connection.
    bool sendContentLength = true;
    // Further header lines, sent as given ("Location", "Set-Cookie" ...).
    std::vector<std::pair<std::string, std::string>> headers{};
    // Send only this many bytes of the body, then send nothing more and keep the connection
    // open until `stallMs` has passed or the server stops.
    std::optional<std::size_t> stallAfterBytes{};
    int stallMs = 30000;
    // Send the body in pieces of this many bytes with a pause between them (0: all at once).
    std::size_t chunkBytes = 0;
    int chunkPauseMs = 0;
    // Send the body one byte at a time, this many milliseconds apart (0: as above).
    int trickleEveryMs = 0;
    // After the body, send it again from its beginning, and so on, until the client closes the
    // connection or the server stops (an empty body sends 'x's).
    bool endless = false;
    // Read the request, then wait this long before sending the first byte of the answer.
    int stallBeforeHeadersMs = 0;
    // Close the connection without answering at all.
    bool closeWithoutAnswer = false;
};

// A request as the server received it.
struct HttpReceivedRequest {
    std::string requestLine;  // "GET /Updates.ini HTTP/1.1"
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;  // in order, as received
    // When the server found the connection closed by the client before its answer was
    // complete (while it paused or sent).
    std::optional<std::chrono::steady_clock::time_point> clientClosedAt;

    // The value of the first header of this name (compared without case).
    std::optional<std::string> Header(const std::string& name) const;
};

// A small HTTP/1.x server on 127.0.0.1 for the tests, on a port of its own (POSIX sockets, or
// Winsock in the Windows build, whose tests run it under Wine). It answers one
// connection after the other on a thread of its own and closes each connection after the
// answer. Paths without an answer get 404. It notices at once when a client closes the
// connection in the middle of an answer, and then goes on to the next connection. Everything
// it does is bounded in time, or ends with the client's close: reading a request gives up
// after 5 seconds, a stall after its `stallMs`, and Stop (or the destructor) ends a stall, a
// trickle and an endless body at once.
class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1:<port>", as the update host.
    std::string Host() const;

    // The answer for a path (the request target as sent, e.g. "/Updates.ini").
    void Serve(const std::string& path, HttpTestResponse response);

    // What has been received so far.
    std::vector<HttpReceivedRequest> Requests() const;
    std::size_t RequestCount() const;
    // Waits until `count` requests have been received or `timeoutMs` has passed.
    bool WaitForRequests(std::size_t count, int timeoutMs) const;
    // Waits until the client has closed the connection of request `index` (0: the first)
    // before its answer was complete; empty when that did not happen within `timeoutMs`.
    std::optional<std::chrono::steady_clock::time_point> WaitForClientClose(std::size_t index,
                                                                            int timeoutMs) const;

    // Stops serving; a stalled answer ends at once. Called by the destructor.
    void Stop();

private:
    enum class Wait { Elapsed, Stopped, ClientClosed };

    void Run();
    void Handle(SocketHandle connection);
    // Waits `milliseconds` unless the server stops or the client closes `connection`.
    Wait Pause(SocketHandle connection, int milliseconds);
    // Sends all of `data`; fails when the server stops or the client closes.
    Wait SendAll(SocketHandle connection, const char* data, std::size_t size);
    void NoteClientClose(std::size_t index);

    SocketHandle listener_;
    // Stop makes this readable (POSIX: a pipe; Windows: a UDP socket that gets a datagram).
    SocketHandle wakeRead_;
    SocketHandle wakeWrite_;
    int port_ = 0;
    bool stopped_ = false;
    mutable std::mutex mutex_;
    mutable std::condition_variable received_;
    std::map<std::string, HttpTestResponse> responses_;
    std::vector<HttpReceivedRequest> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 that is bound but not listening while this object lives: connecting to
// it is refused.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int Port() const { return port_; }
    std::string Host() const;

private:
    SocketHandle socket_;
    int port_ = 0;
};

}  // namespace rangwerk::testing
