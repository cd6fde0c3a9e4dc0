#pragma once
// The one base of every failure Borvane raises. Each subsystem derives its own
// (EVantrelError, EGbmError, ETwainError, EDatabaseError, ...) so callers can
// catch a family, and the application's error box shows what().
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string &message) : std::runtime_error(message) {}
};

// Raised when memory or another resource cannot be had for a request.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};
