#pragma once
// A failure of i815ctl with its exit status: 1 a failure (access refused, the chip did not
// take a value, an I/O error), 2 bad usage or bad input, or not an i815.

#include <stdexcept>
#include <string>

enum CtlStatus { CtlDone = 0, CtlFailed = 1, CtlBadInput = 2 };

class CtlError : public std::runtime_error {
public:
    CtlError(CtlStatus status, const std::string& message) : std::runtime_error(message), status_(status) {}
    CtlStatus status() const { return status_; }

private:
    CtlStatus status_;
};
