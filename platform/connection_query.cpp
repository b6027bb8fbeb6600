#include "platform/connection_query.h"

#ifdef _WIN32
#include <windows.h>
#include <wininet.h>
#endif

namespace rangwerk {

#ifdef _WIN32

bool SystemConnectionQuery::IsConnected() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

#else

bool SystemConnectionQuery::IsConnected() {
    return true;
}

#endif

}  // namespace rangwerk
