// The window opens where the user can reach it, whatever placement is stored, and a placement
// on a screen is kept as stored, to the twip.
#include <cmath>

#include "tests/support/registry_guards.h"
#include "tests/window/window_fixture.h"
#include "window/layout.h"
#include "window/placement_fit.h"

namespace pagelens::test {
namespace {

constexpr SIZE kMinimum{620, 280};

TEST(PlacementFit, OffScreenOrTooSmallIsBroughtOntoTheNearestWorkArea) {
    const std::vector<RECT> one = {{0, 0, 1280, 984}};
    const std::vector<RECT> two = {{0, 0, 1280, 984}, {1280, 0, 2560, 1024}};
    const struct {
        const char* name;
        const std::vector<RECT>* areas;
        PixelRect wanted, expected;
    } cases[] = {
        {"on the screen", &one, {100, 200, 800, 433}, {100, 200, 800, 433}},
        {"snapped, borders beyond the edge", &one, {-7, 0, 654, 991}, {-7, 0, 654, 991}},
        {"mostly beyond the right edge", &one, {1200, 100, 800, 433}, {1200, 100, 800, 433}},
        {"monitor gone, to the right", &one, {5000, 200, 800, 433}, {480, 200, 800, 433}},
        {"far to the left", &one, {-32767, 200, 800, 433}, {0, 200, 800, 433}},
        {"far above", &one, {100, -32767, 800, 433}, {100, 0, 800, 433}},
        {"caption above the screen", &one, {100, -400, 800, 433}, {100, 0, 800, 433}},
        {"below the screen", &one, {100, 32767, 800, 433}, {100, 551, 800, 433}},
        {"too low to use", &one, {100, 200, 800, 28}, {100, 200, 800, 280}},
        {"no width", &one, {100, 200, 0, 433}, {100, 200, 620, 433}},
        {"grown beyond the edge", &one, {1000, 900, 100, 28}, {660, 704, 620, 280}},
        {"larger than the screen and off it", &one, {3000, 0, 32767, 32767}, {0, 0, 1280, 984}},
        {"on the second monitor", &two, {1500, 300, 800, 433}, {1500, 300, 800, 433}},
        {"beyond the second monitor", &two, {9000, 300, 800, 433}, {1760, 300, 800, 433}},
        {"nothing to fit against", nullptr, {5000, 5000, 10, 10}, {5000, 5000, 10, 10}},
    };
    const std::vector<RECT> none;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitOntoWorkAreas(c.wanted, c.areas ? *c.areas : none, kMinimum), c.expected);
    }
}

TEST(PlacementFit, StoredTwipsBecomePixelsWithinWhatAWindowCanTake) {
    const struct {
        std::array<double, 4> twips;
        PixelRect expected;
    } cases[] = {
        {{1500, 3000, 12000, 6500}, {100, 200, 800, 433}},
        {{1447.5, 0, 15, 7.4}, {97, 0, 1, 0}},
        {{-2147483649.0, 2147483649.0, -1, 1e30}, {-32767, 32767, 0, 32767}},
        {{std::nan(""), -HUGE_VAL, HUGE_VAL, std::nan("")}, {0, -32767, 32767, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(PlacementPixels(c.twips, 96), c.expected);
}

// Left, top, width and height the window still has keep their stored twips; moved or fitted
// ones are stored as the window is.
TEST(PlacementFit, UntouchedEdgesAreStoredAsTheyWereStored) {
    const ShownPlacement shown{{1447.5, 3000, 12000.4, 420}, {97, 200, 800, 280}};
    const auto kept = TwipsToStore(shown, {97, 200, 800, 280}, 96);
    EXPECT_EQ(kept, (std::array<double, 4>{1447.5, 3000, 12000.4, 4200}));
    const auto moved = TwipsToStore(shown, {30, 200, 800, 300}, 96);
    EXPECT_EQ(moved, (std::array<double, 4>{450, 3000, 12000.4, 4500}));
}

bool Reachable(HWND window) {
    const RECT frame = [&] {
        RECT r;
        GetWindowRect(window, &r);
        return r;
    }();
    MONITORINFO info{sizeof info};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& work = info.rcWork;
    const SIZE minimum = UsableFrameSize(window, 96);
    return frame.left >= work.left && frame.top >= work.top && frame.left + 40 <= work.right &&
           frame.top + 12 <= work.bottom &&
           frame.right - frame.left >= std::min<long>(minimum.cx, work.right - work.left) &&
           frame.bottom - frame.top >= std::min<long>(minimum.cy, work.bottom - work.top);
}

// Damaged or foreign values, each on its own: both signs, beyond 32 bits, a VB hexadecimal -1,
// and a monitor that is not there any more (75000 twips is 5000 pixels to the right).
TEST_F(SnapshotWindowTest, AnyStoredPlacementOpensTheWindowWithinReachAtUsableSize) {
    const wchar_t* names[] = {setting::MainLeft, setting::MainTop, setting::MainWidth,
                              setting::MainHeight};
    const wchar_t* values[] = {L"-2147483649", L"2147483649", L"&HFFFFFFFF", L"-1",
                               L"75000",       L"0",          L"1E+30",      L"-1E+30"};
    for (const wchar_t* name : names)
        for (const wchar_t* value : values) {
            SCOPED_TRACE(testing::Message() << std::wstring(name) << " = " << value);
            StoreSetting(name, std::wstring(value));
            Open({});
            EXPECT_TRUE(IsWindowVisible(window->hwnd()));
            EXPECT_TRUE(Reachable(window->hwnd()));
            window->Unload();
            ClearSettings();
        }
}

// Also under a comma-decimal locale, with the fraction written with a point (as another locale
// or an older version left it): it is read, and stored again in the user's form.
TEST_F(SnapshotWindowTest, PlacementOnTheScreenIsKeptToTheTwip) {
    for (const wchar_t* sign : {L".", L","}) {
        SCOPED_TRACE(testing::Message() << "decimal sign " << std::wstring(sign));
        DecimalSignGuard locale(sign);
        StoreSetting(setting::MainLeft, std::wstring(L"1447.5"));
        StoreSetting(setting::MainTop, 3000.0f);
        StoreSetting(setting::MainWidth, 12007.0f);
        StoreSetting(setting::MainHeight, 6500.0f);
        Open({});
        RECT frame;
        GetWindowRect(window->hwnd(), &frame);
        EXPECT_EQ(frame.left, TwipsToPixels(1447.5, 96));
        EXPECT_EQ(frame.top, 200);
        EXPECT_EQ(frame.right - frame.left, TwipsToPixels(12007, 96));
        window->Unload();
        EXPECT_EQ(*StoredSetting(setting::MainLeft), std::wstring(L"1447") + sign + L"5");
        EXPECT_EQ(*StoredSetting(setting::MainTop), L"3000");
        EXPECT_EQ(*StoredSetting(setting::MainWidth), L"12007");
        EXPECT_EQ(*StoredSetting(setting::MainHeight), L"6500");
        ClearSettings();
    }
}

}  // namespace
}  // namespace pagelens::test
