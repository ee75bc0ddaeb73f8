#pragma once
// The automation server of Windows: com::Server and com::Object realised over COM's IDispatch, by
// member name at run time (GetIDsOfNames + Invoke), as late binding from a script does.
//
//   auto server = com::dispatch::MakeServer();
//   auto app = server->Create(u"AutoCAD.Application");        // a new instance, or an error
//   auto docs = (*app)->Get(u"Documents");
//
// Every call made through these objects initialises COM on the calling thread first (a single-
// threaded apartment, once per thread, with a message filter for a busy server). An object belongs
// to the thread that made it, as COM's apartment rules require. A call the server rejects because
// it is busy is tried again for the busy timeout and then fails with an error that says so; no call
// waits for ever on a busy server.
//
// Windows only: this header and its sources use the Win32 COM headers.

#include "host/com/com_object.h"

#include <chrono>
#include <memory>

namespace com::dispatch {

// A server that starts (CLSIDFromProgID + CoCreateInstance) and finds (GetActiveObject) automation
// servers by ProgID.
std::unique_ptr<com::Server> MakeServer();

// How long a call the server rejects as busy is retried before it fails; 30 s unless set. Applies to
// calls started after it is set, on every thread.
void SetBusyTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds BusyTimeout();

}  // namespace com::dispatch
