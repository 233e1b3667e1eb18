// Starting the program never changes the chip, whatever the chip holds.
#include "window_fixture.h"

#include <random>

class StartupPropertyTest : public WindowTest {};

TEST_F(StartupPropertyTest, StartUpWritesBackOnlyWhatItReadAndNestsAtMostSixteenDeep)
{
    std::mt19937 random(0x1130);
    int illegalAgpModes = 0, lockedThrottles = 0, deepest = 0;
    for (int round = 0; round < 1000; ++round) {
        ConfigSpace image = EmulatedI815::DefaultImage();
        EmulatedI815 source(image);
        for (uint32_t offset : {0x08u, 0x50u, 0x54u, 0x70u, 0x9Cu, 0xA8u, 0xB0u, 0xBCu})
            source.SetDword(offset, random());
        illegalAgpModes += (0x00E8u >> (source.Dword(0xA8) & 7)) & 1;  // 3, 5, 6 or 7
        lockedThrottles += (source.Dword(0x70) >> 19) & 1;

        chip = EmulatedI815(source.Space());
        messages.clear();
        Open();
        ASSERT_EQ(chip.Space(), source.Space()) << "round " << round;
        ASSERT_FALSE(form->core().identityRefused());
        // The first refresh, and one nested level per differing check box, radio group and
        // track bar: ten, four and two.
        ASSERT_LE(form->core().deepestRefreshNesting(), 1 + 16) << "round " << round;
        deepest = std::max(deepest, form->core().deepestRefreshNesting());
        form.reset();
    }
    EXPECT_GT(illegalAgpModes, 100);
    EXPECT_GT(lockedThrottles, 100);
    EXPECT_GT(deepest, 10);
}
