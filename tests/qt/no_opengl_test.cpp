// The window draws nothing with OpenGL. On an X server Qt would still load Mesa at start (its
// GLX vendor library, the *_dri.so driver and LLVM with it): tens of megabytes of a 256 MB
// Pentium III. Both programs set QT_XCB_GL_INTEGRATION=none unless the user set it.
#include "../support/child_process.h"

#include <csignal>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

const char* const Mesa[] = {"_dri.so", "libLLVM", "libGLX_mesa"};

// The Mesa libraries that process `pid` has mapped, one a line.
std::string MesaMapped(pid_t pid)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string found;
    for (std::string line; std::getline(maps, line);) {
        const std::string file = line.substr(line.rfind('/') + 1);
        for (const char* part : Mesa)
            if (file.find(part) != std::string::npos && found.find(file) == std::string::npos)
                found += file + "\n";
    }
    return found;
}

// Whether an X server of this network namespace listens on `number`'s abstract socket, which
// clients try before the socket file: it may belong to a machine that does not share our /tmp.
bool AbstractSocketTaken(const std::string& number)
{
    std::ifstream sockets("/proc/net/unix");
    const std::string name = "@/tmp/.X11-unix/X" + number;
    for (std::string line; std::getline(sockets, line);)
        if (line.size() >= name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0)
            return true;
    return false;
}

struct XServer {
    std::unique_ptr<ChildProcess> server;
    std::string display;

    XServer()
    {
        // A display far from the usual ones: a server of another machine sharing this network
        // namespace but not its /tmp would answer :0 through its abstract socket. The server
        // says the number on its output once it is ready, or ends when the number is taken.
        for (int tries = 0; tries < 10 && display.empty(); ++tries) {
            const std::string number = std::to_string(200 + (getpid() * 7 + tries * 101) % 700);
            if (AbstractSocketTaken(number))
                continue;
            server = std::make_unique<ChildProcess>(
                std::vector<std::string>{"/usr/bin/Xvfb", ":" + number, "-displayfd", "1", "-screen", "0",
                                         "1024x768x24", "-nolisten", "tcp"},
                std::vector<std::string>{});
            if (server->ok() && server->ReadLine() == number)
                display = ":" + number;
        }
    }
    ~XServer()
    {
        if (!server)
            return;
        kill(server->pid(), SIGTERM);
        server->Finish();
    }

    bool Shows(const std::string& title) const
    {
        ChildProcess info({"/usr/bin/xwininfo", "-display", display, "-name", title}, {});
        info.Finish();
        return info.out.find("Map State: IsViewable") != std::string::npos;
    }
};

bool Ended(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t state = line.rfind(')');
    return state == std::string::npos || line.compare(state, 3, ") Z") == 0;
}

// The emulated window on `x`, until it is mapped; returns the Mesa libraries it has mapped then.
// On a loaded machine its connection to the server has now and then been refused at start
// (Qt's fatal "could not connect"): such a start is tried again, twice at most.
std::string MesaOfTheShownWindow(const XServer& x, std::vector<std::string> environment)
{
    environment.insert(environment.end(), {"DISPLAY=" + x.display, "HOME=/tmp", "XDG_RUNTIME_DIR=/tmp"});
    std::string failures;
    for (int attempt = 0; attempt < 3; ++attempt) {
        ChildProcess sim({SIM_PROGRAM}, environment);
        EXPECT_TRUE(sim.ok());
        bool shown = false;
        for (int tries = 0; tries < 1200 && !(shown = x.Shows("i815 Quarvel")) && !Ended(sim.pid()); ++tries)
            usleep(50 * 1000);
        const std::string mapped = MesaMapped(sim.pid());
        kill(sim.pid(), SIGTERM);
        sim.Finish();
        if (shown)
            return mapped;
        failures += sim.err;
    }
    ADD_FAILURE() << "the window did not show: " << failures;
    return "";
}

}  // namespace

TEST(NoOpenGL, TheShownWindowHasNoMesaMappedUnlessTheUserAskedForGLX)
{
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xwininfo", X_OK) != 0)
        GTEST_SKIP() << "needs Xvfb and xwininfo (packages xvfb, x11-utils)";
    const XServer x;
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";

    EXPECT_EQ(MesaOfTheShownWindow(x, {}), "");
#if QUARVEL_QT_MAJOR == 5
    // The user's own choice stands; and it shows that this test sees Mesa where it is loaded
    // (Qt 6 loads it only for a window that draws with OpenGL).
    const std::string chosen = MesaOfTheShownWindow(x, {"QT_XCB_GL_INTEGRATION=xcb_glx"});
    EXPECT_NE(chosen.find("_dri.so"), std::string::npos) << chosen;
#endif
}
