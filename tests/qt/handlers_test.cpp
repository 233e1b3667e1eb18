// What reaches the chip when the user changes a control.
#include "window_fixture.h"

#include "field_map.h"
#include "wrapping_tab_control.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QWheelEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

void UserClicks(QCheckBox* check) { QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(6, check->height() / 2)); }

void UserPresses(QWidget* control, Qt::Key key)
{
    control->setFocus();
    QTest::keyClick(control, key);
}

}  // namespace

class HandlersTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Open();
        form->show();
        form->timer()->stop();  // ticks would only add reads; these tests look at writes
    }

    // The user's action must write exactly the field, once, and the chip end with the new value.
    void ExpectWritesOnlyField(const Field& field, uint32_t expectedField, const std::function<void()>& userAction)
    {
        SCOPED_TRACE(field.name);
        const ConfigSpace before = chip.Space();
        const uint32_t old = chip.Dword(field.dword);
        chip.ClearTrace();
        userAction();
        const auto writes = ConfigWrites();
        ASSERT_EQ(writes.size(), 1u);
        const uint32_t written = (old & ~FieldMask(field)) | (expectedField << field.lowBit);
        EXPECT_EQ(writes[0].first, field.dword);
        EXPECT_EQ(writes[0].second, written) << std::hex << old;
        for (uint32_t offset = 0; offset < 256; offset += 4) {
            if (offset != field.dword) {
                EXPECT_EQ(chip.Dword(offset), EmulatedI815(before).Dword(offset)) << offset;
            }
        }
        EXPECT_EQ(chip.Dword(field.dword), written);
    }
};

TEST_F(HandlersTest, EveryCheckBoxWritesItsFlag)
{
    struct Case { QCheckBox* box; const Field& field; QWidget* page; };
    const Case cases[] = {
        {Check("AGP4XOVRcb"), Fields::AGP4XOVR, Page("AGPSTATTab")}, {Check("AGPSBAcb"), Fields::AGPSBA, Page("AGPSTATTab")},
        {Check("AGPFWcb"), Fields::AGPFW, Page("AGPSTATTab")},       {Check("CLTcb"), Fields::CLT, Page("ChipsetSheet")},
        {Check("BNRcb"), Fields::BNR, Page("ChipsetSheet")},         {Check("CPCcb"), Fields::CPC, Page("ChipsetSheet")},
        {Check("SMcb"), Fields::SM, Page("ChipsetSheet")},           {Check("THRLOCKcb"), Fields::THRLOCK, Page("ChipsetSheet")},
        {Check("HACQScb"), Fields::HACQS, Page("MemSheet")},         {Check("TDLLEcb"), Fields::TDLLE, Page("MemSheet")},
    };
    for (const Case& c : cases) {
        ShowPage(c.page);
        const bool was = c.box->isChecked();
        ExpectWritesOnlyField(c.field, was ? 0 : 1, [&] { UserClicks(c.box); });
        EXPECT_EQ(c.box->isChecked(), !was);
    }
}

TEST_F(HandlersTest, ArrowKeysOnClosedListsWriteTheirChoice)
{
    ShowPage("AGPSTATTab");
    ASSERT_EQ(List("AGPMODEcombo")->currentIndex(), 3);
    ExpectWritesOnlyField(Fields::AGPMODE, 2, [&] { UserPresses(List("AGPMODEcombo"), Qt::Key_Up); });
    ExpectWritesOnlyField(Fields::AGPMODE, 4, [&] { UserPresses(List("AGPMODEcombo"), Qt::Key_Down); });
    EXPECT_EQ(List("AGPMODEcombo")->currentIndex(), 3) << "\"AGP 4X\" is value 4, not 3";

    ShowPage("ChipsetSheet");
    ExpectWritesOnlyField(Fields::DPCP, 1, [&] { UserPresses(List("DPCPcombo"), Qt::Key_Down); });
    ExpectWritesOnlyField(Fields::MAG, 1, [&] { UserPresses(List("MAGcombo"), Qt::Key_Down); });
    ExpectWritesOnlyField(Fields::RDTHR, 1, [&] { UserPresses(List("RDTHRcombo"), Qt::Key_Up); });
    ExpectWritesOnlyField(Fields::WRTHR, 1, [&] { UserPresses(List("WRTHRcombo"), Qt::Key_Down); });
    EXPECT_EQ(List("WRTHRcombo")->currentText(), QStringLiteral("Limit at 62.5 %  (500MB/s)"));
}

TEST_F(HandlersTest, PickingFromTheOpenListWrites)
{
    ShowPage("ChipsetSheet");
    ExpectWritesOnlyField(Fields::RDTHR, 3, [&] {
        List("RDTHRcombo")->showPopup();
        QAbstractItemView* view = List("RDTHRcombo")->view();
        const QRect item = view->visualRect(view->model()->index(3, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    });
    EXPECT_EQ(List("RDTHRcombo")->currentIndex(), 3);
}

TEST_F(HandlersTest, RadioGroupsWriteTheirTiming)
{
    ShowPage("MemSheet");
    ExpectWritesOnlyField(Fields::CAS, 0, [&] { QTest::mouseClick(Radios("CASgr")->buttons()[0], Qt::LeftButton); });
    ExpectWritesOnlyField(Fields::RAS2CAS, 0, [&] { QTest::mouseClick(Radios("RAS2CASgr")->buttons()[0], Qt::LeftButton); });
    ExpectWritesOnlyField(Fields::RAS, 0, [&] { QTest::mouseClick(Radios("RASgr")->buttons()[0], Qt::LeftButton); });
    ExpectWritesOnlyField(Fields::DCT, 1, [&] { QTest::mouseClick(Radios("DCTgr")->buttons()[1], Qt::LeftButton); });
    EXPECT_TRUE(Radios("DCTgr")->buttons()[1]->isChecked());
}

TEST_F(HandlersTest, TrackBarsWriteTheirTimer)
{
    ShowPage("AGPSTATTab");
    ExpectWritesOnlyField(Fields::AMTT, 0x28, [&] { UserPresses(Bar("AMTT"), Qt::Key_Right); });
    EXPECT_EQ(Label("AMTTv")->text(), QStringLiteral("40"));
    ExpectWritesOnlyField(Fields::LPTT, 0x18, [&] { UserPresses(Bar("LPTT"), Qt::Key_PageDown); });
    EXPECT_EQ(Label("LPTTv")->text(), QStringLiteral("24"));
}

TEST_F(HandlersTest, SdramModeWritesWithoutRefresh)
{
    ShowPage("MemSheet");
    chip.SetDword(0x9C, 0x8000);  // a change the window has not seen yet
    ExpectWritesOnlyField(Fields::SMS, 2, [&] { UserPresses(List("SMScombo"), Qt::Key_Down); });
    EXPECT_EQ(chip.Trace().size(), 4u) << "read and write of dword 0x50, nothing re-read";
    EXPECT_FALSE(Check("TDLLEcb")->isChecked());

    // The next page change shows what the chip holds.
    chip.ClearTrace();
    QTest::mouseClick(Tabs(), Qt::LeftButton, Qt::NoModifier, Tabs()->tabRect(0).center());
    EXPECT_EQ(Tabs()->currentPage(), Page("AboutSheet"));
    EXPECT_TRUE(Check("TDLLEcb")->isChecked());
}

TEST_F(HandlersTest, AnIdleRefreshIsSevenReadsAndNoWrite)
{
    chip.ClearTrace();
    QTest::mouseClick(Tabs(), Qt::LeftButton, Qt::NoModifier, Tabs()->tabRect(2).center());
    ASSERT_EQ(Tabs()->currentPage(), Page("ChipsetSheet"));
    EXPECT_EQ(chip.Trace().size(), 14u);
    EXPECT_TRUE(ConfigWrites().empty());
    for (uint32_t offset : {0xB0u, 0xA8u, 0x70u, 0x9Cu, 0x50u})
        EXPECT_EQ(ReadsOf(offset), 1u);
    EXPECT_EQ(ReadsOf(0xBC), 2u);
}

TEST_F(HandlersTest, ABitTheChipRefusesShowsAsTheChipHoldsIt)
{
    ShowPage("ChipsetSheet");
    UserClicks(Check("THRLOCKcb"));  // lock the throttle settings
    ASSERT_TRUE(Check("THRLOCKcb")->isChecked());

    UserClicks(Check("THRLOCKcb"));  // the lock cannot be undone
    EXPECT_TRUE(Check("THRLOCKcb")->isChecked());
    EXPECT_TRUE(chip.Dword(0x70) & (1u << 19));

    const int limit = List("RDTHRcombo")->currentIndex();
    UserPresses(List("RDTHRcombo"), Qt::Key_Down);
    EXPECT_EQ(List("RDTHRcombo")->currentIndex(), limit) << "the locked limit shows again";
}

TEST_F(HandlersTest, TheRefreshPeriodFollowsTheBar)
{
    ShowPage("AboutSheet");
    chip.ClearTrace();
    Bar("RefreshBar")->setFocus();
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(Bar("RefreshBar"), Qt::Key_Left);
    EXPECT_EQ(Bar("RefreshBar")->value(), 250);
    EXPECT_EQ(form->timer()->interval(), 250);
    EXPECT_EQ(Label("RfLabel")->text(), QStringLiteral("250 ms"));
    EXPECT_TRUE(chip.Trace().empty());
}

TEST_F(HandlersTest, IllegalAgpModeKeepsTheListAndNeverStacksBoxes)
{
    ShowPage("AGPSTATTab");
    chip.SetDword(0xA8, 0x1F000303);
    int nested = 0;
    onMessage = [&](const QString&) {
        // Two ticks while the box is open: they refresh the rest, but open no second box.
        chip.SetDword(0xB0, 0x81);
        form->core().iRefreshTmrTimer();
        form->core().iRefreshTmrTimer();
        ++nested;
    };
    form->core().iRefreshTmrTimer();
    EXPECT_EQ(messages, QStringList{QStringLiteral("AGP mode is set to an illegal value.")});
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(List("AGPMODEcombo")->currentIndex(), 3) << "the list keeps its position";
    EXPECT_TRUE(Check("AGP4XOVRcb")->isChecked()) << "the tick during the box refreshed the rest";

    onMessage = nullptr;
    form->core().iRefreshTmrTimer();
    EXPECT_EQ(messages.size(), 2) << "every refresh that finds it with no box open reports it";
}

// E_SMRAM_ERR (dword 0x70, bit 0) is cleared by writing 1 to it; MISCC shares the dword. No
// change of a MISCC control and no write-back may clear a pending SMRAM error.
class SmramErrorTest : public WindowTest {};

TEST_F(SmramErrorTest, APendingSmramErrorSurvivesStartUpAndEveryMisccChange)
{
    chip.SetDword(0x70, 0x0A82800D);  // BNR, CPC and a read limit set: start-up writes them back
    Open();
    form->show();
    form->timer()->stop();
    ASSERT_FALSE(ConfigWrites().empty());
    EXPECT_EQ(chip.Dword(0x70), 0x0A82800Du);

    ShowPage("ChipsetSheet");
    for (QCheckBox* box : {Check("BNRcb"), Check("CPCcb"), Check("SMcb")})
        UserClicks(box);
    UserPresses(List("RDTHRcombo"), Qt::Key_Down);
    UserPresses(List("WRTHRcombo"), Qt::Key_Down);
    UserClicks(Check("THRLOCKcb"));
    EXPECT_EQ(chip.Dword(0x70), 0x22D8800Du) << "every change taken, the error still pending";
    for (const auto& write : ConfigWrites()) {
        if (write.first == 0x70) {
            EXPECT_EQ(write.second & 1, 0u) << std::hex << write.second;
        }
    }
}

namespace {

// One notch of the wheel, as the window system delivers it: to the control under the pointer.
void Wheel(QWidget* control, int notches)
{
    const QPointF at(control->width() / 2.0, control->height() / 2.0);
    QWheelEvent wheel(at, control->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(control, &wheel);
}

// Counts the wheel events that reach a widget.
class WheelCount : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Wheel;
        return false;
    }
};

}  // namespace

// Scrolling over a page must not turn the list or track bar under the pointer: only one that
// the user clicked or tabbed into takes the wheel; otherwise the wheel goes on to the parent.
TEST_F(HandlersTest, TheWheelTurnsOnlyAControlThatHasTheFocus)
{
    struct Case { QWidget* control; QWidget* page; };
    const Case cases[] = {
        {List("AGPMODEcombo"), Page("AGPSTATTab")}, {Bar("AMTT"), Page("AGPSTATTab")},     {Bar("LPTT"), Page("AGPSTATTab")},
        {List("DPCPcombo"), Page("ChipsetSheet")},  {List("MAGcombo"), Page("ChipsetSheet")}, {List("RDTHRcombo"), Page("ChipsetSheet")},
        {List("WRTHRcombo"), Page("ChipsetSheet")}, {List("SMScombo"), Page("MemSheet")},     {Bar("RefreshBar"), Page("AboutSheet")},
    };
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        ShowPage(c.page);
        Tabs()->setFocus();  // the focus elsewhere
        WheelCount parent;
        c.control->parentWidget()->installEventFilter(&parent);
        const ConfigSpace before = chip.Space();
        const int interval = form->timer()->interval();
        chip.ClearTrace();
        Wheel(c.control, 1);
        Wheel(c.control, -1);
        Wheel(c.control, 1);
        EXPECT_TRUE(chip.Trace().empty()) << "no write, no refresh";
        EXPECT_EQ(chip.Space(), before);
        EXPECT_EQ(form->timer()->interval(), interval);
        EXPECT_EQ(parent.count, 3) << "the wheel went on to the parent";
        c.control->parentWidget()->removeEventFilter(&parent);

        // Clicked or tabbed into, it takes the wheel as any control does.
        c.control->setFocus();
        ASSERT_TRUE(c.control->hasFocus());
        const auto* list = qobject_cast<QComboBox*>(c.control);
        Wheel(c.control, list && list->currentIndex() == list->count() - 1 ? -1 : 1);
        EXPECT_FALSE(chip.Trace().empty() && form->timer()->interval() == interval)
            << "a focused control turned";
    }
}

// The item that a list shows already, picked again, is no change: no write and no refresh.
TEST_F(HandlersTest, PickingTheItemAListShowsChangesNothing)
{
    struct Case { QComboBox* list; QWidget* page; };
    const Case cases[] = {
        {List("AGPMODEcombo"), Page("AGPSTATTab")}, {List("DPCPcombo"), Page("ChipsetSheet")},   {List("MAGcombo"), Page("ChipsetSheet")},
        {List("RDTHRcombo"), Page("ChipsetSheet")}, {List("WRTHRcombo"), Page("ChipsetSheet")}, {List("SMScombo"), Page("MemSheet")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list->objectName().toStdString());
        ShowPage(c.page);
        const int shown = c.list->currentIndex();
        chip.ClearTrace();
        c.list->showPopup();
        QAbstractItemView* view = c.list->view();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->visualRect(view->model()->index(shown, 0)).center());
        EXPECT_EQ(c.list->currentIndex(), shown);
        EXPECT_TRUE(chip.Trace().empty());

        // Each arrow-key step still counts: down and back up are two writes.
        UserPresses(c.list, shown == 0 ? Qt::Key_Down : Qt::Key_Up);
        UserPresses(c.list, shown == 0 ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_EQ(ConfigWrites().size(), 2u);
        EXPECT_EQ(c.list->currentIndex(), shown);
    }
}
