// The window through its helper makes the same port cycles, in the same order, as the window
// that makes them itself.
#include "window_fixture.h"

#include "helper_config_access.h"
#include "helper_session.h"
#include "mechanism1_access.h"
#include "wrapping_tab_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// A helper serving the test's emulated chip on a thread of its own, over a socket pair; what it
// logs besides its writes are its refusals.
class ThreadHelper {
public:
    explicit ThreadHelper(EmulatedI815& chip) : access_(chip)
    {
        std::signal(SIGPIPE, SIG_IGN);
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
            throw std::runtime_error("no socket pair");
        client_ = std::make_unique<HelperConfigAccess>(pair[0]);
        thread_ = std::thread([this, fd = pair[1]] {
            // As through pkexec: the window's every choice, those with a warning too.
            HelperSession session(access_, [this](const std::string& line) {
                if (line.rfind("refused", 0) == 0)
                    refusals_.push_back(line);
            }, {0, true});
            ServeHelper(fd, fd, session);
            close(fd);
        });
    }
    ~ThreadHelper() { Close(); }
    void Close()
    {
        client_.reset();  // the window's end of the pipe closes
        if (thread_.joinable())
            thread_.join();
    }
    ConfigAccess& access() { return *client_; }
    const std::vector<std::string>& refusals() const { return refusals_; }

private:
    Mechanism1Access access_;
    std::unique_ptr<HelperConfigAccess> client_;
    std::thread thread_;
    std::vector<std::string> refusals_;
};

}  // namespace

class HelperWindowTest : public WindowTest {
protected:
    // Start, a change on every page by mouse and keyboard, a tick, the close.
    std::vector<PortOperation> SessionTrace(ConfigAccess& through)
    {
        chip = EmulatedI815();
        chip.KeepTrace();
        chip.SetDword(0x70, 0x0A8A800D);  // a pending SMRAM error, and the throttle lock set
        chip.SetAddressLatch(0x80000010);
        Open(through);
        form->show();
        form->timer()->stop();
        ShowPage("AGPSTATTab");
        QTest::mouseClick(Check("AGPFWcb"), Qt::LeftButton, Qt::NoModifier, QPoint(6, Check("AGPFWcb")->height() / 2));
        Bar("AMTT")->setFocus();
        QTest::keyClick(Bar("AMTT"), Qt::Key_Right);
        List("AGPMODEcombo")->setFocus();
        QTest::keyClick(List("AGPMODEcombo"), Qt::Key_Up);
        ShowPage("ChipsetSheet");
        List("RDTHRcombo")->setFocus();
        QTest::keyClick(List("RDTHRcombo"), Qt::Key_Down);  // locked: the chip keeps it
        QTest::mouseClick(Check("BNRcb"), Qt::LeftButton, Qt::NoModifier, QPoint(6, Check("BNRcb")->height() / 2));
        ShowPage("MemSheet");
        QTest::mouseClick(Radios("CASgr")->buttons()[0], Qt::LeftButton);
        List("SMScombo")->setFocus();
        QTest::keyClick(List("SMScombo"), Qt::Key_Down);
        form->core().iRefreshTmrTimer();
        form->close();
        form.reset();
        return chip.Trace();
    }
};

TEST_F(HelperWindowTest, ThroughTheHelperTheWindowMakesTheSamePortCycles)
{
    const std::vector<PortOperation> direct = SessionTrace(access);
    const ConfigSpace directEnd = chip.Space();

    ThreadHelper helper(chip);
    const std::vector<PortOperation> throughHelper = SessionTrace(helper.access());
    helper.Close();

    EXPECT_GT(direct.size(), 100u);
    EXPECT_EQ(throughHelper, direct);
    EXPECT_EQ(chip.Trace().size(), direct.size()) << "nothing more when the pipe closed: the window had restored";
    EXPECT_EQ(chip.Space(), directEnd);
    EXPECT_EQ(chip.Dword(0x70) & 1, 1u) << "the SMRAM error is still pending";
    EXPECT_TRUE(helper.refusals().empty());
    EXPECT_TRUE(messages.isEmpty());
}
