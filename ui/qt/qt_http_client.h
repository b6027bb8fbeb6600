#pragma once

#include <memory>

#include "platform/connection_query.h"
#include "platform/http_client.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace rangwerk {

// The HTTP client of the online update on Qt Network. Get runs a nested event loop, so the
// windows keep painting and taking input while it blocks; the window's handlers may therefore
// run inside it (through the progress callback or directly). Needs a QCoreApplication.
// Besides the headers of HttpClient it asks for "Accept-Encoding: identity", so that the body
// arrives and is counted exactly as the server stores it. A request that makes no progress
// for readTimeoutMs (connecting included) fails with "Read timed out.". Abort cuts the reply
// at once and closes its connection; the nested loop then ends.
class QtHttpClient : public HttpClient {
public:
    QtHttpClient();
    ~QtHttpClient() override;

    HttpResult Get(const HttpRequest& request, const std::string& targetPath,
                   const HttpTransferEvents& events) override;
    void Abort() override;

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
    // The reply of the running Get; null between requests.
    QNetworkReply* running_ = nullptr;
    bool abortRequested_ = false;
};

// Qt's network information with the reachability feature: online, site and local reachability
// count as connected (as the Windows query counts any network); only a certain "disconnected"
// counts as none. Without a backend it reports "connected", and the request decides.
class QtConnectionQuery : public ConnectionQuery {
public:
    bool IsConnected() override;
};

// The connection query of the program: InternetGetConnectedState on Windows, Qt's network
// information elsewhere.
std::unique_ptr<ConnectionQuery> MakeUpdateConnectionQuery();

}  // namespace rangwerk
