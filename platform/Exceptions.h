#pragma once
// Exception classes of the class library that the rest of the system relies on.
#include <stdexcept>
#include <string>

// Base of every exception the system raises; carries an English message.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
// A file that could not be made, with the system's error number when one is known (else 0).
class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& message, int systemError = 0)
        : EStreamError(message), systemError_(systemError)
    {
    }
    int SystemError() const { return systemError_; }

private:
    int systemError_;
};
class EListError : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class ECodePageError : public Exception { using Exception::Exception; };
