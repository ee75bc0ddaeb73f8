// com::Server over COM's class registry and running object table.

#include "host/com/dispatch/dispatch.h"
#include "host/com/dispatch/dispatch_internal.h"

namespace com::dispatch {
namespace {

class DispatchServer final : public Server {
public:
    bool IsRegistered(std::u16string_view progId) override {
        CLSID clsid;
        return SUCCEEDED(EnsureApartment()) && SUCCEEDED(ClassOf(progId, &clsid));
    }

    Result<ObjectPtr> Create(std::u16string_view progId) override {
        if (HRESULT hr = EnsureApartment(); FAILED(hr)) return HresultError(hr, u"COM could not be started");
        CLSID clsid;
        HRESULT hr = ClassOf(progId, &clsid);
        if (FAILED(hr)) return HresultError(hr, Quoted(progId) + u" is not registered on this computer");
        // AutoCAD is a local server (its own process); a server in a DLL is taken too.
        ComPtr<IDispatch> app;
        bool busy = false;
        hr = CallWhileBusy([&] {
            return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                                    reinterpret_cast<void**>(app.Out()));
        }, &busy);
        if (busy) return BusyError(hr, Quoted(progId));
        if (FAILED(hr)) return HresultError(hr, Quoted(progId) + u" could not be started");
        return WrapDispatch(app.Get());
    }

    Result<ObjectPtr> GetActive(std::u16string_view progId) override {
        if (HRESULT hr = EnsureApartment(); FAILED(hr)) return HresultError(hr, u"COM could not be started");
        CLSID clsid;
        // A server that is not registered cannot be running.
        if (FAILED(ClassOf(progId, &clsid))) return ObjectPtr();
        ComPtr<IUnknown> running;
        HRESULT hr = GetActiveObject(clsid, nullptr, running.Out());
        if (hr == MK_E_UNAVAILABLE) return ObjectPtr();
        if (FAILED(hr)) return HresultError(hr, u"The running " + Quoted(progId) + u" could not be reached");
        ComPtr<IDispatch> app;
        hr = running.As(IID_IDispatch, app);
        if (FAILED(hr)) return HresultError(hr, u"The running " + Quoted(progId) + u" offers no automation");
        return WrapDispatch(app.Get());
    }

private:
    static HRESULT ClassOf(std::u16string_view progId, CLSID* clsid) {
        const std::u16string name(progId);
        return CLSIDFromProgID(Wide(name), clsid);
    }
    static std::u16string Quoted(std::u16string_view progId) { return u"\"" + std::u16string(progId) + u"\""; }
};

}  // namespace

std::unique_ptr<Server> MakeServer() { return std::make_unique<DispatchServer>(); }

}  // namespace com::dispatch
