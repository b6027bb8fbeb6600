#pragma once

#ifdef _WIN32

#include <functional>
#include <memory>

#include "platform/http_client.h"

namespace rangwerk {

// The HTTP client of the online update on Windows, over WinINet.
//
// WinINet's calls block, so they run on one worker thread per request, while Get keeps the
// calling (GUI) thread in a MsgWaitForMultipleObjects loop that handles the window messages;
// the window's handlers (a cancel, the close box) therefore run nested inside Get, on the GUI
// thread, as they do with the Qt client. Everything the caller sees happens on that thread: the
// begin and progress events, the writes into the target file. The worker hands over one piece
// of at most 64 KiB at a time and waits until the GUI thread has written and reported it, so a
// progress event that says stop cuts the transfer after that piece; a limit of the caller never
// lets more than one piece through.
//
// The request: GET with "Accept: text/html, */*", "User-Agent: Mozilla/3.0 (compatible; Indy
// Library)" and "Accept-Encoding: identity"; INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE
// (never a cached copy), INTERNET_FLAG_NO_COOKIES, INTERNET_FLAG_NO_AUTO_REDIRECT (a 3xx answer
// fails like every answer but 2xx), INTERNET_FLAG_NO_UI; the system's proxy settings. A read,
// a send or a connection that takes longer than readTimeoutMs fails with "Read timed out.".
// The announced Content-Length is read as a 64-bit number; a body that ends before it is a
// failure.
//
// Abort closes the request handle, which makes the worker's blocking call return; Get returns
// Aborted at once (it waits for the worker at most a moment: a worker that is still inside
// WinINet then ends by itself and touches nothing of the caller's).
class WinInetHttpClient : public HttpClient {
public:
    // `processMessages` handles the pending window messages of the GUI thread (the program's
    // own message loop, which also gives its dialogs their keyboard); empty: a plain
    // PeekMessage / TranslateMessage / DispatchMessage loop.
    explicit WinInetHttpClient(std::function<void()> processMessages = {});
    ~WinInetHttpClient() override;

    HttpResult Get(const HttpRequest& request, const std::string& targetPath,
                   const HttpTransferEvents& events) override;
    void Abort() override;

    struct Transfer;

private:
    std::function<void()> processMessages_;
    // The running request; null between requests.
    std::shared_ptr<Transfer> running_;
};

}  // namespace rangwerk

#endif
