#include "end_on_signal.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int)
{
    const char byte = 1;
    (void)!write(pipeEnds[1], &byte, 1);
}

}  // namespace

EndOnSignal::EndOnSignal()
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0)
        return;  // then the signals keep their default action: the program ends at once
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Arrived(); });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : Signals)
        sigaction(signal, &action, nullptr);
}

EndOnSignal::~EndOnSignal()
{
    if (!notifier_)
        return;
    for (int signal : Signals)
        std::signal(signal, SIG_DFL);
    notifier_.reset();
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void EndOnSignal::Arrived()
{
    char bytes[16];
    while (read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    requested_ = true;
    // A message box first (its own loop would keep the program alive), then the window.
    for (int boxes = 0; boxes < 8; ++boxes) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->close())
            break;
    }
    QApplication::closeAllWindows();
}
