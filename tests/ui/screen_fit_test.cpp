// A window of any size on a screen of any width to height ratio: the enlargement held to what
// fits the screen with the window's frame, and the window moved wholly onto the screen.
#include <gtest/gtest.h>

#include "machine/window_scale.h"

TEST(ScreenFit, EnlargementIsHeldToTheScreensRoom) {
    // Room: the screen less 4 pixels of border at the sides and bottom and 32 of title bar.
    const struct {
        int width, height, screenW, screenH;
        double factor;
    } cases[] = {
        {500, 480, 1920, 1080, 1.6},              // 800 x 768 fits 1912 x 1044
        {500, 480, 1280, 800, 764.0 / 480},       // 768 tall would not fit 764
        {500, 480, 1366, 768, 732.0 / 480},       // a wide screen of little height
        {500, 480, 1024, 768, 1.28},              // 614 fits 732
        {900, 300, 1024, 768, 1016.0 / 900},      // too wide: held by the width
        {900, 700, 800, 600, 564.0 / 700},        // even the template is too tall: shrunk
        {500, 480, 0, 0, 1.0},                    // screen unknown: the width's factor
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.screenW) + "x" + std::to_string(c.screenH));
        const double f = FittedScaleFactor(c.width, c.height, c.screenW, c.screenH);
        EXPECT_DOUBLE_EQ(f, c.factor);
        if (c.screenW > 0) {
            EXPECT_LE(static_cast<int>(c.width * f), c.screenW - 2 * kFrameSide);
            EXPECT_LE(static_cast<int>(c.height * f), c.screenH - kFrameTop - kFrameSide);
        }
    }
}

TEST(ScreenFit, WindowIsMovedWhollyOntoTheScreen) {
    const struct {
        WinRect in, out;
    } cases[] = {
        {{100, 100, 600, 500}, {100, 100, 600, 500}},     // already on the screen
        {{-100, -50, 900, 650}, {4, 32, 1004, 732}},      // centred over a smaller main window
        {{500, 400, 1200, 900}, {320, 264, 1020, 764}},   // past the right and bottom edges
        {{-10, 0, 1100, 800}, {4, 32, 1114, 832}},        // larger than the room: top-left kept
    };
    for (const auto& c : cases) EXPECT_EQ(KeepOnScreen(c.in, 1024, 768), c.out);
    EXPECT_EQ(KeepOnScreen(WinRect{-5, -5, 5, 5}, 0, 0), (WinRect{-5, -5, 5, 5}));
}
