#pragma once
// Outcome of one call into the CAD host: a value, or the host's error number and description.

#include <QString>

#include <cassert>
#include <optional>
#include <utility>

namespace host {

struct Error {
    long number = 0;
    QString description;
};

// Error numbers the session and the hosts use for failures that are not the host's own.
enum ErrorNumber : long {
    kObjectNotSet = 91,         // a call on an empty object reference
    kFileNotFound = 53,
    kPermissionDenied = 70,
    kPathAccessError = 75,
    kBadFileFormat = 321,       // the drawing file cannot be read
    kInvalidArgument = 5,
    kAlreadyExists = 58,
    kObjectDeleted = -2145386420,  // the entity was deleted (as the CAD host reports it)
    kKeyNotFound = -2145386476,    // no such item in a collection
    kReadOnlyDocument = -2145386448,
    kHostFailure = -2147467259,    // unspecified failure
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
    Result(Error error) : error_(std::move(error)) {}  // NOLINT

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() { assert(ok()); return *value_; }
    const T& value() const { assert(ok()); return *value_; }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const Error& error() const { return error_; }

private:
    std::optional<T> value_;
    Error error_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : failed_(true), error_(std::move(error)) {}  // NOLINT
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return error_; }

private:
    bool failed_ = false;
    Error error_;
};

using Status = Result<void>;

inline Error ObjectNotSet() {
    return {kObjectNotSet, QStringLiteral("Object variable or With block variable not set")};
}

}  // namespace host
