// The user's mouse, keyboard and wheel on the drawn controls.
#include "window_fixture.h"

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

// Which bits each control writes, and the refresh after it, are the form core's business
// (tests/form/form_test.cpp); here, that the user's gesture on the drawn widget reaches the
// form as one change of that very control.
class HandlersTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Open();
        form->show();
        form->timer()->stop();  // ticks would only add reads; these tests look at writes
    }

    template <class C>
    const C& Core(const char* name) const
    {
        return static_cast<const C&>(*form->core().Find(name));
    }

    // The gesture made one change of the chip: one write.
    void ExpectOneWrite(const std::function<void()>& gesture)
    {
        chip.ClearTrace();
        gesture();
        EXPECT_EQ(ConfigWrites().size(), 1u);
    }
};

TEST_F(HandlersTest, AClickOnACheckBoxChangesItsOwnControl)
{
    struct Case { const char* name; const char* page; };
    const Case cases[] = {
        {"AGP4XOVRcb", "AGPSTATTab"}, {"AGPSBAcb", "AGPSTATTab"},  {"AGPFWcb", "AGPSTATTab"}, {"CLTcb", "ChipsetSheet"},
        {"BNRcb", "ChipsetSheet"},    {"CPCcb", "ChipsetSheet"},   {"SMcb", "ChipsetSheet"},  {"THRLOCKcb", "ChipsetSheet"},
        {"HACQScb", "MemSheet"},      {"TDLLEcb", "MemSheet"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowPage(c.page);
        const bool was = Core<CheckBox>(c.name).Checked();
        ASSERT_EQ(Check(c.name)->isChecked(), was);
        ExpectOneWrite([&] { UserClicks(Check(c.name)); });
        EXPECT_EQ(Core<CheckBox>(c.name).Checked(), !was);
        EXPECT_EQ(Check(c.name)->isChecked(), !was);
    }
}

TEST_F(HandlersTest, ArrowKeysOnAClosedListPickTheNextItem)
{
    ShowPage("AGPSTATTab");
    ASSERT_EQ(List("AGPMODEcombo")->currentIndex(), 3);
    ExpectOneWrite([&] { UserPresses(List("AGPMODEcombo"), Qt::Key_Up); });
    EXPECT_EQ(Core<DropDownList>("AGPMODEcombo").ItemIndex(), 2);
    ExpectOneWrite([&] { UserPresses(List("AGPMODEcombo"), Qt::Key_Down); });
    EXPECT_EQ(Core<DropDownList>("AGPMODEcombo").ItemIndex(), 3);
    EXPECT_EQ(List("AGPMODEcombo")->currentText(), QStringLiteral("AGP 4X"));

    ShowPage("ChipsetSheet");
    ExpectOneWrite([&] { UserPresses(List("DPCPcombo"), Qt::Key_Down); });
    EXPECT_EQ(Core<DropDownList>("DPCPcombo").ItemIndex(), 1);
    ExpectOneWrite([&] { UserPresses(List("MAGcombo"), Qt::Key_Down); });
    EXPECT_EQ(Core<DropDownList>("MAGcombo").ItemIndex(), 1);
    ExpectOneWrite([&] { UserPresses(List("RDTHRcombo"), Qt::Key_Up); });
    EXPECT_EQ(Core<DropDownList>("RDTHRcombo").ItemIndex(), 1);
    ExpectOneWrite([&] { UserPresses(List("WRTHRcombo"), Qt::Key_Down); });
    EXPECT_EQ(Core<DropDownList>("WRTHRcombo").ItemIndex(), 1);
    EXPECT_EQ(List("WRTHRcombo")->currentText(), QStringLiteral("Limit at 62.5 %  (500MB/s)"));
}

TEST_F(HandlersTest, AClickInTheOpenListPicks)
{
    ShowPage("ChipsetSheet");
    ExpectOneWrite([&] {
        List("RDTHRcombo")->showPopup();
        QAbstractItemView* view = List("RDTHRcombo")->view();
        const QRect item = view->visualRect(view->model()->index(3, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    });
    EXPECT_EQ(Core<DropDownList>("RDTHRcombo").ItemIndex(), 3);
    EXPECT_EQ(List("RDTHRcombo")->currentIndex(), 3);
}

TEST_F(HandlersTest, AClickOnARadioButtonPicksItsItem)
{
    ShowPage("MemSheet");
    for (const char* name : {"CASgr", "RAS2CASgr", "RASgr"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Core<RadioGroup>(name).ItemIndex(), 1);
        ExpectOneWrite([&] { QTest::mouseClick(Radios(name)->buttons()[0], Qt::LeftButton); });
        EXPECT_EQ(Core<RadioGroup>(name).ItemIndex(), 0);
    }
    ASSERT_EQ(Core<RadioGroup>("DCTgr").ItemIndex(), 0);
    ExpectOneWrite([&] { QTest::mouseClick(Radios("DCTgr")->buttons()[1], Qt::LeftButton); });
    EXPECT_EQ(Core<RadioGroup>("DCTgr").ItemIndex(), 1);
    EXPECT_TRUE(Radios("DCTgr")->buttons()[1]->isChecked());
    EXPECT_FALSE(Radios("DCTgr")->buttons()[0]->isChecked());
}

// A step of a track bar is the table's step of 8, by arrow key and by page key alike.
TEST_F(HandlersTest, KeysMoveATrackBarByItsStep)
{
    ShowPage("AGPSTATTab");
    ExpectOneWrite([&] { UserPresses(Bar("AMTT"), Qt::Key_Right); });
    EXPECT_EQ(Core<TrackBar>("AMTT").Position(), 40);
    EXPECT_EQ(Label("AMTTv")->text(), QStringLiteral("40"));
    ExpectOneWrite([&] { UserPresses(Bar("LPTT"), Qt::Key_PageDown); });
    EXPECT_EQ(Core<TrackBar>("LPTT").Position(), 24);
    EXPECT_EQ(Label("LPTTv")->text(), QStringLiteral("24"));
}

TEST_F(HandlersTest, AClickOnATabRefreshesOnce)
{
    chip.ClearTrace();
    QTest::mouseClick(Tabs(), Qt::LeftButton, Qt::NoModifier, Tabs()->tabRect(2).center());
    ASSERT_EQ(Tabs()->currentPage(), Page("ChipsetSheet"));
    EXPECT_EQ(form->core().PageCtrl.ActivePage(), 2);
    EXPECT_EQ(ReadsOf(0xA8), 1u);
    EXPECT_TRUE(ConfigWrites().empty());
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

TEST_F(HandlersTest, TheRefreshTimerRunsAtThePeriodOfTheBar)
{
    ShowPage("AboutSheet");
    Bar("RefreshBar")->setFocus();
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(Bar("RefreshBar"), Qt::Key_Left);
    EXPECT_EQ(Bar("RefreshBar")->value(), 250);
    EXPECT_EQ(form->timer()->interval(), 250);
    EXPECT_TRUE(form->timer()->isActive()) << "the period began anew";
    EXPECT_EQ(Label("RfLabel")->text(), QStringLiteral("250 ms"));
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
