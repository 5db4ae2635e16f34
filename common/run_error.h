// Run-time errors as values: a number, a source and a description, and Result<T> that carries
// either a value or such an error. Operations that "raise" return the error; callers at the COM
// and window edges turn it into an HRESULT or a message.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace pagelens {

struct RunError {
    int32_t number = 0;
    std::wstring source;
    std::wstring description;

    bool operator==(const RunError&) const = default;
};

// The run-time's own errors that this program raises, one constructor per kind. A detail, where
// given, follows the kind's text after ": " (a path, or what failed).
namespace errors {
namespace detail {
inline RunError Make(int32_t number, const wchar_t* text, const std::wstring& what) {
    return {number, L"iePagelens", what.empty() ? std::wstring(text) : text + (L": " + what)};
}
}  // namespace detail

inline RunError Overflow(const std::wstring& what = {}) {
    return detail::Make(6, L"Overflow", what);
}
inline RunError OutOfMemory() { return {7, L"iePagelens", L"Out of memory"}; }
inline RunError SubscriptOutOfRange() { return {9, L"iePagelens", L"Subscript out of range"}; }
inline RunError TypeMismatch() { return {13, L"iePagelens", L"Type mismatch"}; }
inline RunError BadFileName(const std::wstring& what = {}) {
    return detail::Make(52, L"Bad file name or number", what);
}
inline RunError FileNotFound() { return {53, L"iePagelens", L"File not found"}; }
inline RunError DiskFull(const std::wstring& what = {}) {
    return detail::Make(61, L"Disk full", what);
}
inline RunError PermissionDenied(const std::wstring& what = {}) {
    return detail::Make(70, L"Permission denied", what);
}
inline RunError PathFileAccess(const std::wstring& what = {}) {
    return detail::Make(75, L"Path/File access error", what);
}
inline RunError PathNotFound(const std::wstring& what = {}) {
    return detail::Make(76, L"Path not found", what);
}
inline RunError InvalidPicture(const std::wstring& what = {}) {
    return detail::Make(481, L"Invalid picture", what);
}
inline RunError ObjectRequired() { return {424, L"iePagelens", L"Object required"}; }
inline RunError FromHresult(long hr, std::wstring description) {
    return {static_cast<int32_t>(hr), L"iePagelens", std::move(description)};
}

// The one mapping from a Win32 error of a file operation to the run-time's numbers. Opening a
// file to read knows only "not there" and "no access"; a write tells the user why it failed.
enum class FileUse { Read, Write };
RunError FromWin32File(unsigned long win32Error, FileUse use, const std::wstring& path = {});
}  // namespace errors

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(RunError error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    const RunError& error() const { return std::get<1>(state_); }
    T value_or(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, RunError> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(RunError error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    const RunError& error() const { return *error_; }

private:
    std::optional<RunError> error_;
};

using Status = Result<void>;

}  // namespace pagelens

// Early return of a failed Status or Result from a function that returns Status or a Result.
#define PAGELENS_RETURN_IF_ERROR(expr)                               \
    do {                                                             \
        auto&& pagelens_result_ = (expr);                            \
        if (!pagelens_result_.ok()) return pagelens_result_.error(); \
    } while (0)
