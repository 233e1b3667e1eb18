// The window draws what the form sets without raising a user's event: a check box set by the
// program raises no click of the widget, a list no pick, a track bar no move, the tab control no
// page change. Its start and close therefore make exactly the port cycles of the form core alone,
// whose own cycles tests/form/form_test.cpp holds port by port.
#include "window_fixture.h"

#include <random>

namespace {

// The form core drawn by nothing: no widget that could raise an event of its own.
class NoFace : public FormFace {
public:
    void LoadLayout(TMForm&) override {}
    void ControlChanged(const Control&) override {}
    void ShowMessage(const std::string&) override {}
    void SetHintDisplayTime(int) override {}
};

// The form core alone on a copy of the image: its start and its close.
std::vector<PortOperation> CoreTrace(const ConfigSpace& image, uint32_t addressLatch)
{
    EmulatedI815 copy(image);
    copy.SetAddressLatch(addressLatch);
    copy.KeepTrace();
    Mechanism1Access through(copy);
    NoFace face;
    TMForm core(through, face);
    core.Construct();
    core.FormClose();
    return copy.Trace();
}

}  // namespace

class DrawingTest : public WindowTest {};

// Random chips, so that every kind of control is set at start, most to a state other than their
// empty one, in nested refreshes (the four radio groups always differ).
TEST_F(DrawingTest, TheWindowMakesTheFormCoresPortCyclesOnAnyChip)
{
    std::mt19937 random(0x9C);
    for (int round = 0; round < 200; ++round) {
        chip = EmulatedI815();
        for (uint32_t offset : {0x08u, 0x50u, 0x54u, 0x70u, 0x9Cu, 0xA8u, 0xB0u, 0xBCu})
            chip.SetDword(offset, random());
        chip.SetAddressLatch(0x80000000 | (random() & 0xFC));
        const std::vector<PortOperation> core = CoreTrace(chip.Space(), chip.AddressLatch());
        chip.KeepTrace();
        Open();
        form->close();
        form.reset();
        ASSERT_EQ(chip.Trace(), core) << "round " << round;
    }
}
