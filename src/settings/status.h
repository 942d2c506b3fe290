// SPDX-License-Identifier: MIT
// The one way an operation says it failed and why. Status: done, or failed
// with a reason; Result<T>: a T, or failed with a reason. The reason is the
// text a message or a log line shows (a sentence, or the system's words,
// which may be none).
// Both are [[nodiscard]]: a caller that lets a failure pass says so. The
// protocol's and the engines' integer results and the exit statuses stay
// integers; "nothing" that is no failure stays a std::optional.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tavelin {

class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(); }
    static Status Failed(std::string reason) { return Status(std::move(reason)); }

    explicit operator bool() const { return !failed_; } // true when done
    const std::string& Reason() const { return reason_; } // empty when done

private:
    Status() = default;
    explicit Status(std::string reason) : failed_(true), reason_(std::move(reason)) {}
    bool failed_ = false;
    std::string reason_;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    static Result Failed(std::string reason)
    {
        Result failed;
        failed.reason_ = std::move(reason);
        return failed;
    }

    explicit operator bool() const { return value_.has_value(); } // true when there is a value
    const std::string& Reason() const { return reason_; }         // empty when there is a value
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

private:
    Result() = default;
    std::optional<T> value_;
    std::string reason_;
};

} // namespace tavelin
