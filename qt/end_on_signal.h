#pragma once
// SIGTERM, SIGINT and SIGHUP end a window program as its close button does: an open message
// box is closed, then the window, so the address port is restored, --save is written and the
// status is 0. The signal only writes a byte to a pipe; the message loop does the rest.

#include <memory>

class QSocketNotifier;

class EndOnSignal {
public:
    EndOnSignal();   // catches the three signals from now on
    ~EndOnSignal();  // and leaves them to the system again
    EndOnSignal(const EndOnSignal&) = delete;
    EndOnSignal& operator=(const EndOnSignal&) = delete;

    // Whether a signal has come: a window still under construction must not be shown then.
    bool requested() const { return requested_; }

private:
    void Arrived();

    std::unique_ptr<QSocketNotifier> notifier_;
    bool requested_ = false;
};
