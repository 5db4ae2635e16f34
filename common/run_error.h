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

// The run-time's own errors that this program raises.
namespace errors {
inline RunError Overflow() { return {6, L"iePagelens", L"Overflow"}; }
inline RunError SubscriptOutOfRange() { return {9, L"iePagelens", L"Subscript out of range"}; }
inline RunError TypeMismatch() { return {13, L"iePagelens", L"Type mismatch"}; }
inline RunError FileNotFound() { return {53, L"iePagelens", L"File not found"}; }
inline RunError ObjectRequired() { return {424, L"iePagelens", L"Object required"}; }
inline RunError FromHresult(long hr, std::wstring description) {
    return {static_cast<int32_t>(hr), L"iePagelens", std::move(description)};
}
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
#define PAGELENS_RETURN_IF_ERROR(expr)                     \
    do {                                                   \
        auto&& pagelens_result_ = (expr);                  \
        if (!pagelens_result_.ok()) return pagelens_result_.error(); \
    } while (0)
