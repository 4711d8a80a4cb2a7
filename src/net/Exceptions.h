#pragma once
// The engine's failure reports. Thrown by value, caught by reference; the
// session's run loop turns each into exactly one notice.

#include <cstdint>
#include <string>

namespace varnix {

class CException {
public:
    virtual ~CException() = default;
    // The text shown to the user.
    virtual std::string GetErrorMessage() const { return {}; }
};

// A refused or malformed reply, or one of the engine's own messages.
class CFTPException : public CException {
public:
    explicit CFTPException(std::string message) : message(std::move(message)) {}
    std::string GetErrorMessage() const override { return message; }

    std::uint32_t recovery = 0;
    std::string message;
};

// A socket failure: errno (or a resolver code) and its text.
class CNetException : public CException {
public:
    explicit CNetException(int error);
    CNetException(int error, std::string text) : error(error), text(std::move(text)) {}
    std::string GetErrorMessage() const override { return text; }

    int error;
    std::string text;
};

// The user asked the running operation to stop.
class CAbortException : public CException {
};

} // namespace varnix
