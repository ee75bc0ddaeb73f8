// Error numbers and descriptions for failed calls: the server's own words from EXCEPINFO when it gives
// them, else the system's message for the HRESULT.

#include "host/com/dispatch/dispatch_internal.h"

#include <cstdio>

namespace com::dispatch {
namespace {

std::u16string Ascii(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

// The system's message for `code`, without its line break; empty where it has none.
std::u16string FormattedMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message;
    if (n && text) message = FromWide(text, n);
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' '))
        message.pop_back();
    return message;
}

// Errors of the call's shape rather than of the server's work: they name the member (and argument).
bool NamesTheMember(HRESULT hr) {
    switch (hr) {
    case DISP_E_UNKNOWNNAME: case DISP_E_MEMBERNOTFOUND: case DISP_E_BADPARAMCOUNT: case DISP_E_TYPEMISMATCH:
    case DISP_E_PARAMNOTFOUND: case DISP_E_PARAMNOTOPTIONAL: case DISP_E_NONAMEDARGS: case DISP_E_BADVARTYPE:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::u16string SystemMessage(HRESULT hr) {
    std::u16string message = FormattedMessage(static_cast<DWORD>(hr));
    // Some systems know a Win32 error only by its own code, not as an HRESULT.
    if (message.empty() && HRESULT_FACILITY(hr) == FACILITY_WIN32) message = FormattedMessage(HRESULT_CODE(hr));
    if (message.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "Error 0x%08lX", static_cast<unsigned long>(hr));
        message = Ascii(code);
    }
    return message;
}

Error HresultError(HRESULT hr, std::u16string_view context) {
    std::u16string description = SystemMessage(hr);
    if (!context.empty()) description = std::u16string(context) + u": " + description;
    return Error{static_cast<long>(hr), std::move(description)};
}

Error InvokeError(HRESULT hr, EXCEPINFO* info, std::u16string_view where) {
    if (hr == DISP_E_EXCEPTION && info) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        // A server gives either a 16-bit code of its own or an HRESULT, as Visual Basic reads them.
        const long number = info->wCode ? static_cast<long>(info->wCode)
                                        : static_cast<long>(info->scode ? info->scode : hr);
        std::u16string description;
        if (info->bstrDescription) description = FromWide(info->bstrDescription, SysStringLen(info->bstrDescription));
        if (description.empty()) description = SystemMessage(info->scode ? info->scode : hr);
        return Error{number, std::move(description)};
    }
    std::u16string description = SystemMessage(hr);
    if (NamesTheMember(hr) && !where.empty()) description += u" (" + std::u16string(where) + u")";
    return Error{static_cast<long>(hr), std::move(description)};
}

}  // namespace com::dispatch
