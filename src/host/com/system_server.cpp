// The system's automation server: the IDispatch layer on Windows; no other system has one.

#include "host/com/system_server.h"

#ifdef _WIN32
#include "host/com/dispatch/dispatch.h"
#endif

namespace com {

std::unique_ptr<Server> MakeSystemServer() {
#ifdef _WIN32
    return dispatch::MakeServer();
#else
    return nullptr;
#endif
}

}  // namespace com
