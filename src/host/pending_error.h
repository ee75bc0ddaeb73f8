#pragma once
// "Continue on failure": run one host call, keep its failure as the pending error, and go on.
//
//   PendingError pending;
//   auto docs = pending.Try(app->Documents());            // std::optional<DocumentsPtr>
//   if (docs) pending.Try((*docs)->Open(path, readOnly)); // the next step runs either way
//   if (pending) ...                                      // decide from the pending error afterwards
//
// Try on an empty object reference records "object not set", as a call on an empty reference does.

#include "host/result.h"

#include <memory>
#include <optional>
#include <type_traits>

namespace host {

class PendingError {
public:
    template <class T>
    std::optional<T> Try(Result<T> result) {
        if (!result) {
            Record(result.error());
            return std::nullopt;
        }
        return std::move(result.value());
    }

    bool Try(Status status) {
        if (!status) {
            Record(status.error());
            return false;
        }
        return true;
    }

    // Call `member` on `object` unless the reference is empty, which is itself a failure.
    template <class Object, class Call>
    auto On(const std::shared_ptr<Object>& object, Call&& call) -> decltype(Try(call(*object))) {
        if (!object) {
            Record(ObjectNotSet());
            using R = decltype(Try(call(*object)));
            if constexpr (std::is_same_v<R, bool>) return false; else return R{};
        }
        return Try(call(*object));
    }

    void Record(const Error& error) {
        set_ = true;
        error_ = error;
    }
    void Clear() { set_ = false; error_ = {}; }
    bool IsSet() const { return set_; }
    explicit operator bool() const { return set_; }
    const Error& error() const { return error_; }

private:
    bool set_ = false;
    Error error_;
};

}  // namespace host
