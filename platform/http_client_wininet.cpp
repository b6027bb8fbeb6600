#include "platform/http_client_wininet.h"

#ifdef _WIN32

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <charconv>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "base/wide_text.h"

namespace rangwerk {

namespace {

constexpr DWORD kPieceSize = 64 * 1024;
// How long Get waits for a worker that an abort has not woken at once.
constexpr DWORD kAbortGraceMs = 300;
constexpr wchar_t kUserAgent[] = L"Mozilla/3.0 (compatible; Indy Library)";
constexpr wchar_t kHeaders[] = L"Accept: text/html, */*\r\nAccept-Encoding: identity\r\n";
constexpr char kTimedOut[] = "Read timed out.";

HttpResult Failed(std::string text) {
    HttpResult result;
    result.status = HttpResult::Status::Failed;
    result.errorText = std::move(text);
    return result;
}

// The German text of a WinINet error.
std::string ErrorText(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_TIMEOUT:
        case WSAETIMEDOUT:
            return kTimedOut;
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return "Der Name des Servers konnte nicht aufgelöst werden.";
        case ERROR_INTERNET_CANNOT_CONNECT:
            return "Es konnte keine Verbindung zum Server hergestellt werden.";
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_CONNECTION_RESET:
            return "Die Verbindung zum Server wurde unterbrochen.";
        case ERROR_HTTP_INVALID_SERVER_RESPONSE:
            return "Die Antwort des Servers ist kein HTTP.";
        default:
            return "Die Übertragung ist fehlgeschlagen (WinINet-Fehler " + std::to_string(error) +
                   ").";
    }
}

// Characters a request path cannot carry as they are, percent-encoded; a "%" stays, as the
// path may be encoded already.
std::string EncodePath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' ||
            c == '^' || c == '`' || c == '{' || c == '|' || c == '}') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

struct HostAndPort {
    std::string host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
};

std::optional<HostAndPort> SplitHost(const std::string& text) {
    HostAndPort split;
    const std::size_t colon = text.rfind(':');
    split.host = text.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        unsigned port = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (error != std::errc() || end != digits.data() + digits.size() || port == 0 ||
            port > 65535) {
            return std::nullopt;
        }
        split.port = static_cast<INTERNET_PORT>(port);
    }
    if (split.host.empty()) {
        return std::nullopt;
    }
    for (const char c : split.host) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == '/' || c == '@') {
            return std::nullopt;
        }
    }
    return split;
}

// A header of the answer as text; empty when it is missing.
std::wstring QueryText(HINTERNET request, DWORD what) {
    DWORD size = 0;
    HttpQueryInfoW(request, what, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return {};
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!HttpQueryInfoW(request, what, text.data(), &size, nullptr)) {
        return {};
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

}  // namespace

// What the worker and the GUI thread share for one request. The worker fills in a step and
// signals `wake`, then waits on `proceed` until the GUI thread has taken it.
struct WinInetHttpClient::Transfer {
    enum class Step { None, Header, Piece, Done };

    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE proceed = CreateEventW(nullptr, FALSE, FALSE, nullptr);

    std::mutex mutex;
    Step step = Step::None;
    bool aborted = false;
    HINTERNET request = nullptr;  // closed by the worker at its end, or by Abort

    // Header: the status and the announced length.
    bool statusOk = false;
    std::string statusText;
    std::optional<std::uint64_t> length;
    // Piece: the bytes of the last read.
    std::string piece;
    // Done: how the request ended, when it failed.
    std::optional<std::string> failure;

    ~Transfer() {
        CloseHandle(wake);
        CloseHandle(proceed);
    }

    // Closes the request handle once; a blocking WinINet call on it then returns.
    void CloseRequest() {
        HINTERNET closing = nullptr;
        {
            std::lock_guard lock(mutex);
            closing = std::exchange(request, nullptr);
        }
        if (closing != nullptr) {
            InternetCloseHandle(closing);
        }
    }

    bool Aborted() {
        std::lock_guard lock(mutex);
        return aborted;
    }

    // Hands `next` to the GUI thread and waits until it lets the worker go on; false when the
    // transfer was aborted meanwhile.
    bool Hand(Step next) {
        {
            std::lock_guard lock(mutex);
            step = next;
        }
        SetEvent(wake);
        if (next == Step::Done) {
            return false;
        }
        WaitForSingleObject(proceed, INFINITE);
        return !Aborted();
    }

    void Finish(std::optional<std::string> why) {
        {
            std::lock_guard lock(mutex);
            failure = std::move(why);
        }
        CloseRequest();
        Hand(Step::Done);
    }
};

namespace {

struct InternetHandle {
    HINTERNET handle = nullptr;
    ~InternetHandle() {
        if (handle != nullptr) {
            InternetCloseHandle(handle);
        }
    }
};

// The worker: every blocking WinINet call of one request.
void RunRequest(const std::shared_ptr<WinInetHttpClient::Transfer>& transfer, HostAndPort target,
                std::string path, int timeoutMs) {
    using Step = WinInetHttpClient::Transfer::Step;
    const auto failedHere = [&] { transfer->Finish(ErrorText(GetLastError())); };

    InternetHandle session{
        InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
    if (session.handle == nullptr) {
        return failedHere();
    }
    DWORD timeout = static_cast<DWORD>(timeoutMs);
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionW(session.handle, option, &timeout, sizeof timeout);
    }
    InternetHandle connection{InternetConnectW(session.handle, WideFromUtf8(target.host).c_str(),
                                               target.port, nullptr, nullptr, INTERNET_SERVICE_HTTP,
                                               0, 0)};
    if (connection.handle == nullptr) {
        return failedHere();
    }
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        INTERNET_FLAG_NO_UI;
    HINTERNET request = HttpOpenRequestW(connection.handle, L"GET", WideFromUtf8(path).c_str(),
                                         L"HTTP/1.1", nullptr, nullptr, flags, 0);
    if (request == nullptr) {
        return failedHere();
    }
    {
        std::lock_guard lock(transfer->mutex);
        if (transfer->aborted) {
            InternetCloseHandle(request);
            return transfer->Finish(std::nullopt);
        }
        transfer->request = request;
    }
    for (const DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionW(request, option, &timeout, sizeof timeout);
    }
    if (!HttpSendRequestW(request, kHeaders, static_cast<DWORD>(-1), nullptr, 0)) {
        return failedHere();
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        return transfer->Finish(ErrorText(ERROR_HTTP_INVALID_SERVER_RESPONSE));
    }
    {
        std::lock_guard lock(transfer->mutex);
        transfer->statusOk = status >= 200 && status <= 299;
        if (!transfer->statusOk) {
            std::string version = Utf8FromWide(QueryText(request, HTTP_QUERY_VERSION));
            if (version.empty()) {
                version = "HTTP/1.1";
            }
            transfer->statusText = version + " " + std::to_string(status) + " " +
                                   Utf8FromWide(QueryText(request, HTTP_QUERY_STATUS_TEXT));
        }
        const std::string length = Utf8FromWide(QueryText(request, HTTP_QUERY_CONTENT_LENGTH));
        std::uint64_t value = 0;
        const auto [end, error] =
            std::from_chars(length.data(), length.data() + length.size(), value);
        if (!length.empty() && error == std::errc() && end == length.data() + length.size()) {
            transfer->length = value;
        }
    }
    if (!transfer->Hand(Step::Header)) {
        return transfer->Finish(std::nullopt);
    }
    bool statusOk = false;
    std::optional<std::uint64_t> length;
    {
        std::lock_guard lock(transfer->mutex);
        statusOk = transfer->statusOk;
        length = transfer->length;
    }
    if (!statusOk) {
        return transfer->Finish(transfer->statusText);
    }

    std::string buffer(kPieceSize, '\0');
    std::uint64_t received = 0;
    for (;;) {
        // What has arrived, as soon as anything has: a read of a whole piece would wait for
        // all of it.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            const DWORD error = GetLastError();
            return transfer->Finish(transfer->Aborted() ? std::nullopt
                                                        : std::optional(ErrorText(error)));
        }
        DWORD got = 0;
        if (available > 0 &&
            !InternetReadFile(request, buffer.data(), std::min(available, kPieceSize), &got)) {
            const DWORD error = GetLastError();
            return transfer->Finish(transfer->Aborted() ? std::nullopt
                                                        : std::optional(ErrorText(error)));
        }
        if (got == 0) {
            break;
        }
        received += got;
        {
            std::lock_guard lock(transfer->mutex);
            transfer->piece.assign(buffer.data(), got);
        }
        if (!transfer->Hand(Step::Piece)) {
            return transfer->Finish(std::nullopt);
        }
    }
    if (length && received < *length) {
        return transfer->Finish("Die Verbindung wurde vor dem Ende der Antwort geschlossen.");
    }
    transfer->Finish(std::nullopt);
}

// Opens the target for writing, created or truncated; never through a reparse point.
HANDLE OpenTarget(const std::string& path) {
    const HANDLE file =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the loop that runs around this request.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

WinInetHttpClient::WinInetHttpClient(std::function<void()> processMessages)
    : processMessages_(processMessages ? std::move(processMessages) : PumpMessages) {}

WinInetHttpClient::~WinInetHttpClient() = default;

HttpResult WinInetHttpClient::Get(const HttpRequest& request, const std::string& targetPath,
                                  const HttpTransferEvents& events) {
    const HANDLE file = OpenTarget(targetPath);
    if (file == INVALID_HANDLE_VALUE) {
        return Failed("Die Datei " + targetPath + " kann nicht erstellt werden.");
    }
    struct CloseFile {
        HANDLE file;
        ~CloseFile() { CloseHandle(file); }
    } closeFile{file};
    const std::optional<HostAndPort> target = SplitHost(request.host);
    if (!target) {
        return Failed("Ungültige Adresse: http://" + request.host + request.path);
    }

    auto transfer = std::make_shared<Transfer>();
    running_ = transfer;
    struct Forget {
        std::shared_ptr<Transfer>& running;
        ~Forget() { running.reset(); }
    } forget{running_};
    std::thread worker(RunRequest, transfer, *target, EncodePath(request.path),
                       request.readTimeoutMs);

    bool cut = false;
    bool writeFailed = false;
    bool done = false;
    std::optional<DWORD> abortedAt;
    std::uint64_t received = 0;
    while (!done) {
        DWORD waitMs = INFINITE;
        if (transfer->Aborted()) {
            if (!abortedAt) {
                abortedAt = GetTickCount();
            }
            const DWORD waited = GetTickCount() - *abortedAt;
            if (waited >= kAbortGraceMs) {
                break;
            }
            waitMs = kAbortGraceMs - waited;
        }
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &transfer->wake, waitMs, QS_ALLINPUT,
                                                        MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 1) {
            processMessages_();
            continue;
        }
        if (woken != WAIT_OBJECT_0) {
            continue;
        }
        Transfer::Step step;
        {
            std::lock_guard lock(transfer->mutex);
            step = std::exchange(transfer->step, Transfer::Step::None);
        }
        switch (step) {
            case Transfer::Step::Header: {
                bool statusOk = false;
                std::optional<std::uint64_t> length;
                {
                    std::lock_guard lock(transfer->mutex);
                    statusOk = transfer->statusOk;
                    length = transfer->length;
                }
                if (statusOk && events.begin && !transfer->Aborted()) {
                    events.begin(length);
                }
                SetEvent(transfer->proceed);
                break;
            }
            case Transfer::Step::Piece: {
                std::string piece;
                {
                    std::lock_guard lock(transfer->mutex);
                    piece.swap(transfer->piece);
                }
                if (!transfer->Aborted()) {
                    if (!WriteAll(file, piece)) {
                        writeFailed = true;
                        Abort();
                    } else {
                        received += piece.size();
                        if (events.progress && !events.progress(received)) {
                            cut = true;
                            Abort();
                        }
                    }
                }
                SetEvent(transfer->proceed);
                break;
            }
            case Transfer::Step::Done:
                done = true;
                break;
            case Transfer::Step::None:
                break;
        }
    }
    if (done) {
        worker.join();
    } else {
        // Still inside WinINet after its request handle was closed: it ends by itself.
        worker.detach();
    }
    const bool flushed = FlushFileBuffers(file) != FALSE;

    if (writeFailed) {
        return Failed("Die Datei " + targetPath + " kann nicht geschrieben werden.");
    }
    if (cut || transfer->Aborted()) {
        HttpResult result;
        result.status = HttpResult::Status::Aborted;
        return result;
    }
    std::optional<std::string> failure;
    {
        std::lock_guard lock(transfer->mutex);
        failure = transfer->failure;
    }
    if (failure) {
        return Failed(*failure);
    }
    if (!flushed) {
        return Failed("Die Datei " + targetPath + " kann nicht geschrieben werden.");
    }
    HttpResult result;
    result.status = HttpResult::Status::Done;
    return result;
}

void WinInetHttpClient::Abort() {
    const std::shared_ptr<Transfer> transfer = running_;
    if (!transfer) {
        return;
    }
    {
        std::lock_guard lock(transfer->mutex);
        if (transfer->aborted) {
            return;
        }
        transfer->aborted = true;
    }
    transfer->CloseRequest();
    // A worker waiting for its piece to be taken goes on, and ends.
    SetEvent(transfer->proceed);
}

}  // namespace rangwerk

#endif
