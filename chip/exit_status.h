#pragma once
// The exit statuses of every program of i815 Quarvel (the window, the emulated window and
// i815ctl), and the failure that carries one up to the program's end.

#include <stdexcept>
#include <string>

enum ExitStatus {
    ExitNormal = 0,    // done; the window closed as the user closed it
    ExitFailure = 1,   // access refused, the chip did not take a value, an I/O error, a try
                       // undone; the window's failure display
    ExitBadInput = 2,  // bad usage or bad input (arguments, a profile, a dump), or not an i815
};

class StatusError : public std::runtime_error {
public:
    StatusError(ExitStatus status, const std::string& message) : std::runtime_error(message), status_(status) {}
    ExitStatus status() const { return status_; }

private:
    ExitStatus status_;
};
