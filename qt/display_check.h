#pragma once
// Where no display can be opened (no DISPLAY or WAYLAND_DISPLAY, a display that refuses the
// connection, no usable platform plugin), Qt would abort the program with a core dump and a
// message about reinstalling. Instead: one line on stderr that says what to do, and status 1.

#include <memory>

class QuarvelApplication;

// Creates the application object, or ends the program as above; nothing has touched the chip
// by then. A platform chosen on purpose (QT_QPA_PLATFORM, -platform) is left to Qt.
std::unique_ptr<QuarvelApplication> StartApplication(int& argc, char** argv);
