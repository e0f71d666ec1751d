#pragma once

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

// A value or the failure that stopped it. Like every result of the program, it converts to
// true on success.
template <typename T>
class [[nodiscard]] Result final {
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
    Failure& failure() { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// Done, or the failure that stopped an operation that gives no value.
class [[nodiscard]] Outcome final {
public:
    Outcome() = default;
    Outcome(Failure failure) : m_failure(std::move(failure)), m_failed(true) { }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }

    const Failure& failure() const { return m_failure; }
    Failure& failure() { return m_failure; }

    friend bool operator==(const Outcome&, const Outcome&) = default;

private:
    Failure m_failure;
    bool m_failed = false;
};

// Every failure number the program shows. The data layer's numbers follow the conventions
// the dictionary's users already know from its messages.
namespace FailureNumber {
inline constexpr int InvalidArgument = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int InternalError = 51;
inline constexpr int NoSuchFile = 53; // music and presentation programs
inline constexpr int DeviceUnavailable = 68;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccess = 75;
inline constexpr int InvalidUseOfNull = 94;
inline constexpr int InvalidFileFormat = 321;
inline constexpr int PrinterError = 482;
inline constexpr int NoCurrentEntry = 3021;
inline constexpr int FileNotFound = 3024; // the data layer's files
inline constexpr int CannotReadFile = 3051;
inline constexpr int FieldNotFound = 3265;
inline constexpr int MalformedTable = 3274;
inline constexpr int CursorClosed = 3704;
inline constexpr int ProviderNotSupported = 3706;
inline constexpr int BadConnectionDescription = 3709;
inline constexpr int DialogCancelled = 32755;
inline constexpr int QueryFailed = -2147217900;
inline constexpr int TimedOut = -2147217871; // the server did not answer in time
} // namespace FailureNumber

// The text of a failure message: number, description and the operation's name, run together.
QString failureMessage(const Failure& failure, const QString& operationName);
