#include "ui/qt/qt_http_client.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace rangwerk {

namespace {

constexpr qint64 kReadBufferSize = 256 * 1024;
constexpr qint64 kPieceSize = 64 * 1024;

// Opens the target for writing, created or truncated; never through a symbolic link.
bool OpenTarget(QFile& file, const std::string& path) {
#ifdef _WIN32
    file.setFileName(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
#else
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#endif
}

HttpResult Failed(std::string text) {
    HttpResult result;
    result.status = HttpResult::Status::Failed;
    result.errorText = std::move(text);
    return result;
}

}  // namespace

QtHttpClient::QtHttpClient() = default;

QtHttpClient::~QtHttpClient() = default;

HttpResult QtHttpClient::Get(const HttpRequest& request, const std::string& targetPath,
                             const HttpTransferEvents& events) {
    QFile file;
    if (!OpenTarget(file, targetPath)) {
        return Failed("Die Datei " + targetPath + " kann nicht erstellt werden.");
    }
    // Blanks and other characters that a URL cannot hold are sent percent-encoded.
    const QUrl url(QStringLiteral("http://") + QString::fromStdString(request.host) +
                       QString::fromStdString(request.path),
                   QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return Failed("Ungültige Adresse: http://" + request.host + request.path);
    }
    if (!manager_) {
        manager_ = std::make_unique<QNetworkAccessManager>();
    }

    QNetworkRequest get(url);
    get.setRawHeader("Accept", "text/html, */*");
    get.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
    get.setRawHeader("Accept-Encoding", "identity");
    get.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::ManualRedirectPolicy);
    get.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    get.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    get.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    get.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    get.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    // The reply is deleted with this call, whatever happens.
    std::unique_ptr<QNetworkReply> reply(manager_->get(get));
    running_ = reply.get();
    abortRequested_ = false;
    struct ForgetReply {
        QNetworkReply*& running;
        ~ForgetReply() { running = nullptr; }
    } forget{running_};
    // The body goes to the file as it arrives: the reply keeps at most this much in memory.
    reply->setReadBufferSize(kReadBufferSize);
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setTimerType(Qt::PreciseTimer);
    idle.setInterval(request.readTimeoutMs);

    bool headerSeen = false;
    bool statusOk = false;
    bool timedOut = false;
    bool cut = false;
    bool writeFailed = false;
    std::string statusText;
    std::uint64_t received = 0;

    auto store = [&] {
        if (!statusOk || cut || writeFailed || abortRequested_) {
            reply->readAll();  // nothing of a failed answer is kept
            return;
        }
        // Pieces of at most 64 KiB, each reported, so that a fast server never makes the
        // reply hold more than its read buffer.
        while (!cut && !writeFailed && !abortRequested_ && reply->bytesAvailable() > 0) {
            const QByteArray data = reply->read(kPieceSize);
            if (data.isEmpty()) {
                return;
            }
            if (file.write(data) != data.size()) {
                writeFailed = true;
                reply->abort();
                return;
            }
            received += static_cast<std::uint64_t>(data.size());
            if (events.progress && !events.progress(received)) {
                cut = true;
                reply->abort();
            }
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        idle.start();
        if (headerSeen) {
            return;
        }
        const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!code.isValid()) {
            return;
        }
        headerSeen = true;
        const int status = code.toInt();
        if (status < 200 || status > 299) {
            // Redirects are not followed: any answer but 2xx fails the request.
            statusText = "HTTP/1.1 " + std::to_string(status) + " " +
                         reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                             .toString()
                             .toStdString();
            reply->abort();
            return;
        }
        statusOk = true;
        if (events.begin) {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            events.begin(length.isValid() ? std::optional<std::uint64_t>(length.toULongLong())
                                          : std::nullopt);
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        idle.start();
        store();
    });
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    idle.start();
    if (!reply->isFinished()) {
        loop.exec();
    }
    idle.stop();
    if (reply->error() == QNetworkReply::NoError) {
        store();  // what is left after the last readyRead
    }
    const bool flushed = file.flush();
    file.close();

    if (cut || abortRequested_) {
        HttpResult result;
        result.status = HttpResult::Status::Aborted;
        return result;
    }
    if (timedOut) {
        return Failed("Read timed out.");
    }
    if (!statusText.empty()) {
        return Failed(statusText);
    }
    if (writeFailed || !flushed) {
        return Failed("Die Datei " + targetPath + " kann nicht geschrieben werden.");
    }
    if (reply->error() != QNetworkReply::NoError) {
        return Failed(reply->errorString().toStdString());
    }
    if (!statusOk) {
        return Failed("Die Antwort des Servers ist kein HTTP.");
    }
    HttpResult result;
    result.status = HttpResult::Status::Done;
    return result;
}

void QtHttpClient::Abort() {
    if (running_ == nullptr || abortRequested_) {
        return;
    }
    abortRequested_ = true;
    // Closes the connection and finishes the reply, which ends the nested loop of Get.
    running_->abort();
}

bool QtConnectionQuery::IsConnected() {
    if (QNetworkInformation::instance() == nullptr) {
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    const QNetworkInformation* info = QNetworkInformation::instance();
    if (info == nullptr || !info->supports(QNetworkInformation::Feature::Reachability)) {
        return true;
    }
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::unique_ptr<ConnectionQuery> MakeUpdateConnectionQuery() {
#ifdef _WIN32
    return std::make_unique<SystemConnectionQuery>();
#else
    return std::make_unique<QtConnectionQuery>();
#endif
}

}  // namespace rangwerk
