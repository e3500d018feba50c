// The program's exception hierarchy. Every failure the user may see is one of these;
// the message is UTF-8 and is shown as it stands by the application's handler.
#pragma once

#include <stdexcept>
#include <string>

namespace galimo {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A picture that cannot be read or has no reader for its extension.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// An operation a graphic class does not support (resizing a JPEG picture, ...).
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// A failure reported by the JPEG library; the message carries the library's code. A JPEG
// picture that cannot be decoded is an invalid graphic like any other.
class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Failures of the GIF reader and decoder (messages in English): bad picture data too.
class GIFException : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// A file that cannot be opened for reading or writing.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

// An input/output failure that carries the system's error code.
class EInOutError : public Exception {
public:
    EInOutError(const std::string& message, int code) : Exception(message), errorCode(code) {}
    int ErrorCode() const { return errorCode; }

private:
    int errorCode;
};

// Unwinds silently: the application's handler shows nothing for it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// Memory for a large buffer could not be had.
class EOutOfMemory : public Exception {
public:
    using Exception::Exception;
};

// Printing failures (no printer, bad printer, unsupported operation, job in progress).
class EPrinter : public Exception {
public:
    using Exception::Exception;
};

}  // namespace galimo
