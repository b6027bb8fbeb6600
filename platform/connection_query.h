#pragma once

namespace rangwerk {

// Whether the computer has an internet connection, as far as the system can tell.
class ConnectionQuery {
public:
    virtual ~ConnectionQuery() = default;
    // False only when the system is sure that there is no connection.
    virtual bool IsConnected() = 0;
};

// On Windows InternetGetConnectedState (any network counts). Elsewhere the system has no such
// query without a network library: it reports "connected" and the request itself decides. The
// windows use the Qt network information backend there (update/qt_http_client.h).
class SystemConnectionQuery : public ConnectionQuery {
public:
    bool IsConnected() override;
};

}  // namespace rangwerk
