#pragma once
// The AutoCAD host: the automation interface realised over AutoCAD's own automation model
// (AutoCAD.Application), every member reached by name through a com::Object.
//
//   host::ApplicationClassPtr acad = qln::acad::MakeAutoCadHost(com::MakeSystemServer());
//   cAutoCAD session(acad, state, frontend);
//
// The adaptor itself is portable: on Windows the server is the system's (IDispatch); tests give it an
// in-memory object model that behaves like AutoCAD.

#include "host/automation.h"
#include "host/com/com_object.h"

#include <QString>

#include <memory>

namespace qln::acad {

// The ProgID the host starts and attaches to.
inline constexpr char16_t kAutoCadProgId[] = u"AutoCAD.Application";

// The AutoCAD host over `server`. Without a server (a system with no automation) every start fails
// with a host error that says AutoCAD is reached only on Windows.
host::ApplicationClassPtr MakeAutoCadHost(std::shared_ptr<com::Server> server);

// True when `server` has AutoCAD.Application registered (AutoCAD is installed).
bool AutoCadRegistered(com::Server* server);

// The text of the error a start gives where no automation server exists.
QString NoAutomationText();

// A failed automation call as the host error the session keeps (number and description).
host::Error ToHostError(const com::Error& error);

}  // namespace qln::acad
