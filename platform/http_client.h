#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace rangwerk {

// One GET request of the online update: "http://" + host + path.
struct HttpRequest {
    std::string host;  // host name, optionally with ":port" (e.g. "127.0.0.1:8080")
    std::string path;  // begins with "/", e.g. "/Updates.ini" or "/Updates/Ranko.zip"
    int readTimeoutMs = 10000;
};

// What the client reports while a body arrives. Every member may be empty.
struct HttpTransferEvents {
    // Once, when the answer's header has arrived: the announced Content-Length, or none.
    std::function<void(std::optional<std::uint64_t> announcedLength)> begin;
    // After every chunk written to the file, with the bytes received so far. Returning false
    // cuts the transfer; Get then returns Aborted.
    std::function<bool(std::uint64_t received)> progress;
};

struct HttpResult {
    enum class Status { Done, Failed, Aborted };
    Status status = Status::Failed;
    std::string errorText;  // German where the program words it; the transport's own text otherwise
    bool ok() const { return status == Status::Done; }
};

// The HTTP/1.x client of the online update. Get streams the body into the file `targetPath`
// (created or truncated first, never held in memory whole) and blocks until the body has arrived
// or the request failed; the real backend keeps the windows painting meanwhile.
// Accept "text/html, */*", User-Agent "Mozilla/3.0 (compatible; Indy Library)", no cookies,
// redirects not followed (a 3xx answer is a failure), any status other than 2xx is a failure.
//
// Abort ends the running Get at once, in whatever state it is (connecting, waiting for the
// answer's header, between two bytes of a body without length): Get closes the connection and
// returns Aborted. It is called from a window handler that runs nested inside Get, so it never
// waits for the server. A backend that makes its blocking calls on a worker thread (WinINet)
// closes its request handle here, which makes the worker's call return, while Get keeps the
// window's messages flowing until the worker has ended. Without a running Get, Abort does
// nothing: the caller keeps its own flag and does not start another request after a cancel.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual HttpResult Get(const HttpRequest& request, const std::string& targetPath,
                           const HttpTransferEvents& events) = 0;
    virtual void Abort() = 0;
};

}  // namespace rangwerk
