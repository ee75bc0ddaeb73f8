#pragma once
// The AutoCAD host's view of an automation object: get, put and call members by name, as late binding
// over IDispatch does. Plain C++ (no Qt, no Win32 headers), so that the host adaptor above it is built
// and tested on every platform over an in-memory object model, and the Win32 dispatch layer below it
// realises it over IDispatch on Windows.
//
//   com::ObjectPtr app = ...;                                  // from a com::Server
//   auto docs = app->Get(u"Documents");                        // Result<Value>, an object
//   auto doc = docs->AsObject()->Call(u"Open", {com::Value(path)},
//                                     {{u"ReadOnly", com::Value(true)}, {u"Password", com::Value(u"")}});
//
// Every call either gives a value or fails with an error number and description; nothing throws.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace com {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

// An optional argument left out (passed as VT_ERROR with DISP_E_PARAMNOTFOUND).
struct Missing {
    bool operator==(const Missing&) const = default;
};

// The values the automation members take and give: empty, an omitted argument, a boolean, 16- and
// 32-bit integers, a double, a string, an object, and arrays of 16-bit integers (selection filter
// types), of values (filter data) and of doubles (points).
class Value {
public:
    using Data = std::variant<std::monostate, Missing, bool, std::int16_t, std::int32_t, double, std::u16string,
                              ObjectPtr, std::vector<std::int16_t>, std::vector<Value>, std::vector<double>>;

    Value() = default;
    Value(Missing m) : data_(m) {}                                        // NOLINT: implicit on purpose
    Value(bool b) : data_(b) {}                                           // NOLINT
    Value(std::int16_t i) : data_(i) {}                                   // NOLINT
    Value(std::int32_t i) : data_(i) {}                                   // NOLINT
    Value(double d) : data_(d) {}                                         // NOLINT
    Value(std::u16string s) : data_(std::move(s)) {}                      // NOLINT
    Value(const char16_t* s) : data_(std::u16string(s)) {}                // NOLINT
    Value(ObjectPtr o) : data_(std::move(o)) {}                           // NOLINT
    Value(std::vector<std::int16_t> a) : data_(std::move(a)) {}           // NOLINT
    Value(std::vector<Value> a) : data_(std::move(a)) {}                  // NOLINT
    Value(std::vector<double> a) : data_(std::move(a)) {}                 // NOLINT

    const Data& data() const { return data_; }
    template <class T> bool Is() const { return std::holds_alternative<T>(data_); }
    template <class T> const T* As() const { return std::get_if<T>(&data_); }
    bool IsEmpty() const { return Is<std::monostate>(); }
    // The object a value holds, or null.
    ObjectPtr AsObject() const { const ObjectPtr* o = As<ObjectPtr>(); return o ? *o : nullptr; }

private:
    Data data_;
};

// A failed call: the error number (an HRESULT, or the server's own code from EXCEPINFO) and a
// description fit to show the user.
struct Error {
    long number = 0;
    std::u16string description;
};

template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}   // NOLINT
    Result(Error error) : error_(std::move(error)) {}  // NOLINT
    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const Error& error() const { return error_; }

private:
    std::optional<T> value_;
    Error error_;
};

struct NamedArgument {
    std::u16string name;
    Value value;
};

class Object {
public:
    virtual ~Object() = default;
    // A property's value; `args` for indexed properties (Item(i)).
    virtual Result<Value> Get(std::u16string_view member, const std::vector<Value>& args = {}) = 0;
    // Set a property. The result holds an empty value.
    virtual Result<Value> Put(std::u16string_view member, const Value& value) = 0;
    // Call a method with positional arguments (in their order; Missing for one left out) and named ones.
    virtual Result<Value> Call(std::u16string_view member, const std::vector<Value>& args = {},
                               const std::vector<NamedArgument>& named = {}) = 0;
    // The items of a collection, in the server's order (for-each: _NewEnum and IEnumVARIANT).
    virtual Result<std::vector<Value>> Enumerate() = 0;
};

// How the host reaches an automation server by its ProgID ("AutoCAD.Application").
class Server {
public:
    virtual ~Server() = default;
    // True when the ProgID is registered on this machine.
    virtual bool IsRegistered(std::u16string_view progId) = 0;
    // Start a new instance (a local server).
    virtual Result<ObjectPtr> Create(std::u16string_view progId) = 0;
    // The running instance, or a null object when none runs (not an error); an error only when asking
    // failed for another reason.
    virtual Result<ObjectPtr> GetActive(std::u16string_view progId) = 0;
};

}  // namespace com
