#pragma once

// What a fallible operation reports: success, or a failure of some kind with a one-line reason
// for people. The kind is chosen where the failure happens, so that a caller can tell a missing
// file from a damaged one without reading the text; the text is what users are shown, unchanged.

#include <cassert>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace cartonic {

// The system's words for an errno value, for a failure's reason.
inline std::string errnoText(int error = errno) {
    return std::strerror(error);
}

class [[nodiscard]] Status {
public:
    enum class Kind {
        Ok,
        NotFound,    // the file, or what a link leads to, does not exist
        Unreadable,  // it exists but cannot be read as a file (permissions, I/O, a folder)
        BadFormat,   // it was read but is not what was asked for (damaged, cut short, foreign)
        TooLarge,    // a size beyond what the program takes
        WriteFailed, // a file could not be made, written, flushed or given its name
        Unavailable, // the system could not provide what the work needs (a GL context, memory)
        Usage,       // the request itself cannot be met as made (a command line, a size of nothing)
        Cancelled,   // the user stopped the work before it was done
    };
    static constexpr Kind kLastKind = Kind::Cancelled;

    // Success.
    Status() = default;
    // A failure of kind (not Ok) with its reason.
    Status(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {
        assert(kind != Kind::Ok);
    }

    static Status notFound(std::string message) { return {Kind::NotFound, std::move(message)}; }
    static Status unreadable(std::string message) { return {Kind::Unreadable, std::move(message)}; }
    static Status badFormat(std::string message) { return {Kind::BadFormat, std::move(message)}; }
    static Status tooLarge(std::string message) { return {Kind::TooLarge, std::move(message)}; }
    static Status writeFailed(std::string message) {
        return {Kind::WriteFailed, std::move(message)};
    }
    static Status unavailable(std::string message) {
        return {Kind::Unavailable, std::move(message)};
    }
    static Status usage(std::string message) { return {Kind::Usage, std::move(message)}; }
    static Status cancelled(std::string message) { return {Kind::Cancelled, std::move(message)}; }
    // A failed read or open by its errno: NotFound for ENOENT, Unreadable otherwise.
    static Status readFailed(int error, std::string message) {
        return {error == ENOENT ? Kind::NotFound : Kind::Unreadable, std::move(message)};
    }

    bool ok() const { return kind_ == Kind::Ok; }
    explicit operator bool() const { return ok(); }
    Kind kind() const { return kind_; }
    // Empty on success.
    const std::string& message() const { return message_; }

    // The same failure with context in front of its reason ("file.ctn: " + reason); success
    // stays success.
    Status prefixed(std::string_view context) const {
        return ok() ? Status() : Status(kind_, std::string(context) + message_);
    }

private:
    Kind kind_ = Kind::Ok;
    std::string message_;
};

// A value, or the Status saying why there is none. value is meaningful only when ok(); on failure
// it is T's default (an empty path, a null pointer).
template <typename T>
struct [[nodiscard]] Result {
    Result(T made) : value(std::move(made)) {}
    Result(Status failure) : status(std::move(failure)) { assert(!status.ok()); }

    bool ok() const { return status.ok(); }
    explicit operator bool() const { return ok(); }

    T value{};
    Status status;
};

} // namespace cartonic
