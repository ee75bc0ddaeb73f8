#pragma once
// The automation server of the machine the program runs on: COM over IDispatch on Windows, none
// elsewhere.

#include "host/com/com_object.h"

#include <memory>

namespace com {

// The system's server, or null where the system has no automation (every platform but Windows).
std::unique_ptr<Server> MakeSystemServer();

}  // namespace com
