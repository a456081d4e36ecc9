// Display-free rules: whether a stored placement may be used, the hot key's key grab, auto-save
// decisions and the quick-setup presets.
#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include "ui/desktop/AutoSave.h"
#include "ui/options/DisplayModes.h"
#include "ui/desktop/HotKey.h"
#include "ui/desktop/WindowPlacement.h"

namespace {

const TScreenRect Screen{0, 0, 1920, 1080};

TWindowPlacement At(int32_t left, int32_t top, int32_t width = 800, int32_t height = 600)
{
    return {left, width, top, height, 200, false};
}

TEST(WindowPlacementTest, OnlyAPlacementThatCanBeReachedIsUsed)
{
    const TScreenRect twoScreens{-1280, 0, 3200, 1080};  // a second monitor left of the primary
    const struct {
        TWindowPlacement Placement;
        TScreenRect Screen;
        bool Used;
    } cases[] = {
        {At(100, 100), Screen, true},
        {At(1890, 1060), Screen, true},  // the edges: right - 30, bottom - 20
        {At(1891, 100), Screen, false},
        {At(100, 1061), Screen, false},
        {At(100, -30), Screen, true},
        {At(100, -31), Screen, false},  // caption above the screen
        {At(100, 100, -1), Screen, false},  // nothing stored
        {At(100, 100, 800, -1), Screen, false},
        {At(-5000, 100), Screen, false},  // wholly left of the screen
        {At(-700, 100), Screen, true},    // partly on it
        {At(-1200, 50), twoScreens, true},
        {At(1891, 50), twoScreens, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlacementOnScreen(c.Placement, c.Screen), c.Used)
            << c.Placement.Left << "," << c.Placement.Top << " " << c.Placement.Width << "x" << c.Placement.Height;
}

TEST(WindowPlacementTest, CentringNeverPutsTheWindowAboveOrLeftOfTheScreen)
{
    const TWindowPosition centred = CenteredWindowPosition(Screen, 740, 500);
    EXPECT_EQ(std::make_pair(centred.Left, centred.Top), std::make_pair((1920 - 740) / 2, (1080 - 500) / 2));
    const TWindowPosition big = CenteredWindowPosition({10, 20, 640, 480}, 740, 500);
    EXPECT_EQ(std::make_pair(big.Left, big.Top), std::make_pair(10, 20));
}

TEST(HotKeyTest, KeyGrabNamesTheKeyAndTheModifiers)
{
    const TX11HotKey winQ = ToX11HotKey("Q", hkWin);
    ASSERT_TRUE(winQ.Valid);
    EXPECT_EQ(winQ.KeySym, static_cast<uint32_t>(XK_q));  // the key, whatever the case
    EXPECT_EQ(winQ.Modifiers, static_cast<uint32_t>(Mod4Mask));
    EXPECT_EQ(ToX11HotKey("q", hkWin).KeySym, winQ.KeySym);

    const TX11HotKey all = ToX11HotKey("1", hkAlt | hkCtrl | hkShift | hkWin);
    EXPECT_EQ(all.KeySym, static_cast<uint32_t>(XK_1));
    EXPECT_EQ(all.Modifiers, static_cast<uint32_t>(Mod1Mask | ControlMask | ShiftMask | Mod4Mask));

    EXPECT_EQ(ToX11HotKey("\xc3\x84", hkCtrl).KeySym, static_cast<uint32_t>(XK_adiaeresis));  // Ä
    EXPECT_EQ(ToX11HotKey("\xe2\x82\xac", hkCtrl).KeySym, 0x010020ACu);  // € takes the Unicode range

    EXPECT_FALSE(ToX11HotKey("", hkWin).Valid);
    EXPECT_FALSE(ToX11HotKey("\t", hkWin).Valid);
    EXPECT_FALSE(ToX11HotKey("\xff", hkWin).Valid);  // not UTF-8
}

TEST(HotKeyTest, TheSettingKeepsOneCharacterAndTheBoxesMakeTheModifierSet)
{
    EXPECT_EQ(HotKeyCharFromText("Quit"), "Q");
    EXPECT_EQ(HotKeyCharFromText("\xe2\x82\xac!"), "\xe2\x82\xac");
    EXPECT_EQ(HotKeyCharFromText(""), "");
    EXPECT_EQ(HotKeyCharFromText("\xe2\x82"), "");  // cut in the middle of a character
    EXPECT_EQ(HotKeyShiftsFromBoxes(true, false, true, false), 1 + 4);
    EXPECT_EQ(HotKeyShiftsFromBoxes(false, true, false, true), 2 + 8);
    EXPECT_EQ(ValidHotKeyShifts(-1), 15);
}

TEST(AutoSaveTest, EachModeSavesOnlyWhenItShould)
{
    EXPECT_FALSE(AutoSaveTimerRuns(asNever));
    EXPECT_FALSE(AutoSaveTimerRuns(asOnDeactivate));
    EXPECT_TRUE(AutoSaveTimerRuns(asEveryFiveMinutes));

    EXPECT_TRUE(SaveOnDeactivate(asOnDeactivate, true, false));
    EXPECT_FALSE(SaveOnDeactivate(asOnDeactivate, false, false));  // nothing to save
    EXPECT_FALSE(SaveOnDeactivate(asOnDeactivate, true, true));    // never asks for a name
    EXPECT_FALSE(SaveOnDeactivate(asEveryFiveMinutes, true, false));
    EXPECT_FALSE(SaveOnDeactivate(asNever, true, false));

    EXPECT_EQ(ValidAutoSaveMode(2), 2);
    EXPECT_EQ(ValidAutoSaveMode(3), 0);
    EXPECT_EQ(ValidAutoSaveMode(-1), 0);
}

TDisplaySwitches Switches(bool toDo, bool props, bool importance, bool goals, bool time, bool places, bool effort,
                          bool project, bool views)
{
    return {toDo, props, importance, goals, time, places, effort, project, views};
}

TEST(QuickSetupTest, PresetsAreRecognisedFromTheSwitches)
{
    const auto& presets = QuickSetupPresets();
    for (size_t i = 0; i < presets.size(); ++i)
        EXPECT_EQ(DetectQuickSetup(presets[i].Switches), static_cast<int>(i)) << presets[i].Name;

    // A checklist whatever the property parts hold.
    EXPECT_EQ(DetectQuickSetup(Switches(false, false, true, true, false, true, true, false, false)), 0);
    // The advanced row typed by hand.
    EXPECT_EQ(DetectQuickSetup(Switches(true, true, true, true, true, true, false, false, true)), 2);
    // One box off the full row matches nothing.
    EXPECT_EQ(DetectQuickSetup(Switches(true, true, true, true, true, true, true, false, true)), -1);
    EXPECT_EQ(FindQuickSetup("Simple ToDo list"), 1);
    EXPECT_EQ(FindQuickSetup("<Custom>"), -1);
}

} // namespace
