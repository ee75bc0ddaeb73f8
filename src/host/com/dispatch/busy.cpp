// The thread's apartment and a busy server.
//
// A server such as AutoCAD rejects calls while it is busy (a command running, a dialog open). With an
// out-of-process server COM asks the calling apartment's message filter what to do: the filter here
// retries RPC_E_CALL_REJECTED and RPC_E_SERVERCALL_RETRYLATER rejections until the busy timeout has
// passed. A rejection that still reaches the caller (the filter gave up, or a server that answers
// Invoke with the HRESULT itself, as an in-process one does) is retried by CallWhileBusy, against the
// same deadline, so that no call waits for ever and each gives up after about the busy timeout.

#include "host/com/dispatch/dispatch.h"
#include "host/com/dispatch/com_unknown.h"
#include "host/com/dispatch/dispatch_internal.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace com::dispatch {
namespace {

std::atomic<long long> busyTimeoutMs{30000};

// The wait before the next try after `elapsed` ms of rejections: short at first, growing to half a
// second, never past the deadline.
DWORD RetryPause(DWORD elapsed, DWORD limit) {
    const DWORD pause = std::clamp<DWORD>(elapsed / 2, 20, 500);
    return std::min(pause, limit - elapsed);
}

class MessageFilter final : public Unknown<IMessageFilter, IID_IMessageFilter> {
public:
    // Calls into this apartment (a server calling back) are taken.
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    // Our call was rejected `elapsed` ms after it was first made: wait and retry (a value of 100 or
    // more is the wait in ms) while within the busy timeout, else cancel it ((DWORD)-1), so that the
    // call fails with the rejection.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) override {
        const long long limit = busyTimeoutMs.load();
        if ((rejectType != SERVERCALL_RETRYLATER && rejectType != SERVERCALL_REJECTED) || elapsed >= limit)
            return static_cast<DWORD>(-1);
        return std::max<DWORD>(100, RetryPause(elapsed, static_cast<DWORD>(limit)));
    }
    // Window messages that arrive while a call waits are left to the default handling.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

// COM on one thread: joined when the thread first makes a call, left when the thread ends.
class Apartment {
public:
    Apartment() {
        result_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (result_ == RPC_E_CHANGED_MODE) {
            // The thread is already in the multithreaded apartment: COM works, but without a message
            // filter (there is none there); busy rejections are still retried by CallWhileBusy.
            result_ = S_OK;
            return;
        }
        if (FAILED(result_)) return;
        joined_ = true;
        auto* filter = new MessageFilter;
        if (SUCCEEDED(CoRegisterMessageFilter(filter, previous_.Out()))) filterRegistered_ = true;
        filter->Release();
    }
    ~Apartment() {
        if (filterRegistered_) {
            ComPtr<IMessageFilter> ours;
            CoRegisterMessageFilter(previous_.Get(), ours.Out());
        }
        previous_.Reset();
        if (joined_) CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_ = E_FAIL;
    bool joined_ = false;
    bool filterRegistered_ = false;
    ComPtr<IMessageFilter> previous_;
};

bool IsBusyRejection(HRESULT hr) { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

std::u16string Seconds(long long ms) {
    char text[32];
    if (ms % 1000 == 0) std::snprintf(text, sizeof text, "%lld seconds", ms / 1000);
    else std::snprintf(text, sizeof text, "%.1f seconds", ms / 1000.0);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

void SetBusyTimeout(std::chrono::milliseconds timeout) { busyTimeoutMs.store(std::max<long long>(0, timeout.count())); }
std::chrono::milliseconds BusyTimeout() { return std::chrono::milliseconds(busyTimeoutMs.load()); }

HRESULT EnsureApartment() {
    thread_local Apartment apartment;
    return apartment.result();
}

HRESULT CallWhileBusy(const std::function<HRESULT()>& call, bool* busy) {
    const auto start = std::chrono::steady_clock::now();
    const long long limit = busyTimeoutMs.load();
    for (;;) {
        const HRESULT hr = call();
        const long long elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - start).count();
        if (!IsBusyRejection(hr) || elapsed >= limit) {
            if (busy) *busy = IsBusyRejection(hr);
            return hr;
        }
        Sleep(RetryPause(static_cast<DWORD>(elapsed), static_cast<DWORD>(limit)));
    }
}

Error BusyError(HRESULT hr, std::u16string_view member) {
    return Error{static_cast<long>(hr), u"The automation server is busy: it kept rejecting the call to " +
                                            std::u16string(member) + u" for " + Seconds(busyTimeoutMs.load()) +
                                            u". Try again when it is free."};
}

}  // namespace com::dispatch
