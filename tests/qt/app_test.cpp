// The program entries, each run with an application object of its own.
#include "../support/emulated_chip_fixture.h"

#include "emulated_program.h"
#include "mechanism1_access.h"
#include "quarvel_application.h"
#include "qt_form_window.h"
#include "dump_file.h"
#include "register_dump.h"
#include "run_quarvel.h"
#include "../support/refused_ports.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <fstream>

namespace {

char program[] = "i815quarvel";
char* argvOf[] = {program, nullptr};

// The program's one window, once it exists.
QtFormWindow* Window()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* quarvel = qobject_cast<QtFormWindow*>(window))
            return quarvel;
    return nullptr;
}

// Records the program's messages and failures; closes the window at the first message.
class EntryTest : public EmulatedChipTest {
protected:
    void SetUp() override
    {
        SelectPortAccess(nullptr);  // the program is handed its access to the chip
        QtFormWindow::SetMessageHandler([this](const QString& text) {
            messages << text;
            QTimer::singleShot(0, [] {
                if (Window())
                    Window()->close();
            });
        });
        SetFailureHandler([this](const QString& text) { failures << text; });
    }
    void TearDown() override
    {
        QtFormWindow::SetMessageHandler(nullptr);
        SetFailureHandler(nullptr);
        EmulatedChipTest::TearDown();
    }
    int Run() { return Run(access); }
    int Run(ConfigAccess& through)
    {
        int argc = 1;
        return RunQuarvel(through, argc, argvOf);
    }

    Mechanism1Access access{chip};
    QStringList messages, failures;
};

// Fails the first configuration access after `healthy` port operations, then works again.
class FlakyPorts : public PortAccess {
public:
    FlakyPorts(PortAccess& chip, size_t healthy) : chip_(chip), left_(healthy) {}
    uint32_t In32(uint16_t port) override { Check(); return chip_.In32(port); }
    void Out32(uint16_t port, uint32_t value) override { Check(); chip_.Out32(port, value); }

private:
    void Check()
    {
        if (left_-- == 0)
            throw std::runtime_error("The emulated bus hung");
    }
    PortAccess& chip_;
    size_t left_;
};

std::string TempFile(const char* name) { return ::testing::TempDir() + name; }

}  // namespace

TEST_F(EntryTest, ANormalCloseEndsWithZeroAndRestoresTheAddressPort)
{
    chip.SetDword(0x50, 0x277C0344);  // GFX mode: its warning is our cue to close
    chip.SetAddressLatch(0x80000010);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(chip.AddressLatch(), 0x80000010u);
}

TEST_F(EntryTest, NotAnI815EndsWithTwoWithoutTheFailureDisplay)
{
    chip.SetDword(0x00, 0x25008086);
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Not an i815 Chipset.")});
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(chip.Trace().size(), 4u);
}

TEST_F(EntryTest, RefusedPortsAreShownByTheFailureDisplayAndEndWithOne)
{
    RefusedPorts refused;
    Mechanism1Access refusedAccess(refused);
    EXPECT_EQ(Run(refusedAccess), 1);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("refused"))) << failures[0].toStdString();
    EXPECT_TRUE(failures[0].endsWith(QStringLiteral("Operation not permitted."))) << failures[0].toStdString();
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(EntryTest, AFailureInAHandlerIsShownAndTheLoopGoesOn)
{
    chip.SetDword(0x50, 0x277C0344);
    EmulatedI815 probe(chip.Space());
    probe.KeepTrace();
    Mechanism1Access probeAccess(probe);
    Run(probeAccess);  // measures a whole run on a copy
    const size_t constructionOps = probe.Trace().size() - 1;  // all but the port restore

    FlakyPorts flaky(chip, constructionOps);
    Mechanism1Access flakyAccess(flaky);
    QtFormWindow::SetMessageHandler([&](const QString&) {
        // After the construction: a tick hits the hung bus, then the window closes normally.
        QTimer::singleShot(0, [] { Window()->timer()->setInterval(1); });
        QTimer::singleShot(50, [] { Window()->close(); });
    });
    EXPECT_EQ(Run(flakyAccess), 1);
    EXPECT_EQ(failures, QStringList{QStringLiteral("The emulated bus hung.")});
}

class EmulatedProgramTest : public EntryTest {
protected:
    int RunWith(std::vector<std::string> args)
    {
        args.insert(args.begin(), "i815quarvel-sim");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        return RunEmulatedQuarvel(int(args.size()), argv.data());
    }
};

TEST_F(EmulatedProgramTest, BadArgumentsAndBadDumpsEndWithTwoBeforeAnyWindow)
{
    const std::string broken = TempFile("quarvel_broken_dump.txt");
    std::ofstream(broken) << "00:00.0 Host bridge: Intel\n00: 86 80 30 1\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWith({"--bogus"}), 2);
    EXPECT_EQ(RunWith({"--save"}), 2);
    EXPECT_EQ(RunWith({"a.txt", "b.txt"}), 2);
    EXPECT_EQ(RunWith({TempFile("quarvel_no_such_dump.txt")}), 2);
    EXPECT_EQ(RunWith({broken}), 2);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("unknown option --bogus"), std::string::npos) << errors;
    EXPECT_NE(errors.find("cannot be read"), std::string::npos) << errors;
    EXPECT_NE(errors.find("line 2: malformed data line"), std::string::npos) << errors;
    EXPECT_TRUE(messages.isEmpty() && failures.isEmpty());
    std::remove(broken.c_str());
}

TEST_F(EmulatedProgramTest, SaveWritesTheChipHoweverTheProgramEnds)
{
    const std::string dump = TempFile("quarvel_start.txt"), saved = TempFile("quarvel_saved.txt");

    EmulatedI815 notI815;
    notI815.SetDword(0x00, 0x71908086);
    WriteRegisterDumpFile(dump, notI815.Space());
    EXPECT_EQ(RunWith({"--save", saved, dump}), 2);
    EXPECT_EQ(ReadRegisterDumpFile(saved), notI815.Space());

    EmulatedI815 gfx;
    gfx.SetDword(0x50, 0x277C0344);
    WriteRegisterDumpFile(dump, gfx.Space());
    std::remove(saved.c_str());
    EXPECT_EQ(RunWith({dump, "--save=" + saved}), 0);
    EXPECT_EQ(ReadRegisterDumpFile(saved), gfx.Space());
    std::remove(dump.c_str());
    std::remove(saved.c_str());
}
