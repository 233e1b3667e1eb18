// How long a user waits for a window: `first_map PROGRAM [ARGUMENT...]` starts the program and
// prints the milliseconds from just before it is started to the moment the X server maps its
// first top-level window, then the milliseconds of processor time its threads had used by then
// (what a loaded machine does not stretch, as it stretches the first), then ends it with SIGTERM
// and waits for it. Tool tips, menus and other override-redirect windows do not count. Needs a
// display without a window manager (Xvfb): a manager would reparent the window and hold back its
// map. Exit status 0, or 1 with a line on stderr when the program cannot be started or ends
// before it maps a window.
#include <xcb/xcb.h>

#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

double Milliseconds(const timespec& from, const timespec& to)
{
    return double(to.tv_sec - from.tv_sec) * 1e3 + double(to.tv_nsec - from.tv_nsec) / 1e6;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "first_map: %s\n", what);
    std::exit(1);
}

// The processor time of all the process's threads so far, from the scheduler's count in
// nanoseconds (/proc/PID/task/TID/schedstat: time on the processor, time waiting, slices).
double ProcessorMilliseconds(pid_t process)
{
    const std::string tasks = "/proc/" + std::to_string(process) + "/task";
    DIR* folder = opendir(tasks.c_str());
    if (!folder)
        return -1;
    unsigned long long total = 0;
    while (const dirent* task = readdir(folder)) {
        if (task->d_name[0] == '.')
            continue;
        if (FILE* stat = std::fopen((tasks + "/" + task->d_name + "/schedstat").c_str(), "r")) {
            unsigned long long running = 0;
            if (std::fscanf(stat, "%llu", &running) == 1)
                total += running;
            std::fclose(stat);
        }
    }
    closedir(folder);
    return double(total) / 1e6;
}

// Waits for the first map of a managed top-level window; false when the child ends first.
bool AwaitMap(xcb_connection_t* x, pid_t child, timespec& mapped)
{
    const int fd = xcb_get_file_descriptor(x);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                             !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
            std::free(event);
            if (map) {
                clock_gettime(CLOCK_MONOTONIC, &mapped);
                return true;
            }
        }
        if (xcb_connection_has_error(x))
            Fail("the connection to the display broke");
        if (waitpid(child, nullptr, WNOHANG) == child)
            return false;
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 100);  // wakes to see whether the child is still there
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: first_map PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x))
        Fail("cannot open the display (DISPLAY)");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_request_check(x, xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask)))
        Fail("cannot watch the root window");

    timespec started{}, mapped{};
    pid_t child = 0;
    clock_gettime(CLOCK_MONOTONIC, &started);
    if (const int error = posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ)) {
        std::fprintf(stderr, "first_map: %s: %s\n", argv[1], std::strerror(error));
        return 1;
    }
    if (!AwaitMap(x, child, mapped)) {
        std::fprintf(stderr, "first_map: %s ended before it mapped a window\n", argv[1]);
        return 1;
    }
    const double processor = ProcessorMilliseconds(child);
    kill(child, SIGTERM);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    xcb_disconnect(x);
    std::printf("%.2f %.2f\n", Milliseconds(started, mapped), processor);
    return 0;
}
