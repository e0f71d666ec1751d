#pragma once

#include <optional>
#include <utility>
#include <variant>

#include <QString>

// A failure is a value: the number the user sees first in a failure message, and a
// description that names the thing and the reason.
struct Failure final {
    int number = 0;
    QString description;

    friend bool operator==(const Failure&, const Failure&) = default;
};

// "No failure" or the failure that ended an operation.
using Outcome = std::optional<Failure>;

template <typename T>
class Result final {
public:
    Result(T value) : m_state(std::move(value)) { }
    Result(Failure failure) : m_state(std::move(failure)) { }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() { return std::get<0>(m_state); }
    const T& value() const { return std::get<0>(m_state); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Failure& failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// The failure numbers the program itself raises. The data layer's numbers follow the
// conventions the dictionary's users already know from its messages.
namespace FailureNumber {
inline constexpr int InvalidArgument = 5;
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int InvalidUseOfNull = 94;
inline constexpr int FieldNotFound = 3265;
inline constexpr int NoCurrentEntry = 3021;
inline constexpr int FileNotFound = 3024;
inline constexpr int CannotReadFile = 3051;
inline constexpr int MalformedTable = 3274;
inline constexpr int CursorClosed = 3704;
inline constexpr int ProviderNotSupported = 3706;
inline constexpr int BadConnectionDescription = 3709;
inline constexpr int QueryFailed = -2147217900;
} // namespace FailureNumber

Failure noCurrentEntry();

// The text of a failure message: number, description and the operation's name, run together.
QString failureMessage(const Failure& failure, const QString& operationName);
