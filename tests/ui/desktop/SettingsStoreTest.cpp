// The installation settings in their store: values that fail one by one, the placement block
// as a whole, and the layout a stored file has.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "ui/desktop/Settings.h"
#include "ui/mainwindow/TestFiles.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    TTempFolder dir;
    std::string file = dir.File("settings.ini");

    void WriteIni(const std::string& text) { WriteAll(file, "[Settings]\n" + text); }
    TInstallationSettings Load(TInstallationSettings start = {}, const std::string& name = "")
    {
        QSettings store(QString::fromStdString(name.empty() ? file : name), QSettings::IniFormat);
        LoadInstallationSettings(store, start);
        return start;
    }
    void Save(const TInstallationSettings& settings, const std::string& name)
    {
        QSettings store(QString::fromStdString(name), QSettings::IniFormat);
        SaveInstallationSettings(store, settings);
    }
    // Every stored key with its value, as text.
    std::map<std::string, std::string> Raw(const std::string& name) const
    {
        QSettings store(QString::fromStdString(name), QSettings::IniFormat);
        std::map<std::string, std::string> values;
        for (const QString& key : store.allKeys())
            values[key.toStdString()] = store.value(key).toString().toStdString();
        return values;
    }
};

TEST_F(SettingsStoreTest, FirstStartReadsNothing)
{
    QSettings store(QString::fromStdString(file), QSettings::IniFormat);
    TInstallationSettings s;
    s.TasksFont.Name = "Designed";
    EXPECT_FALSE(LoadInstallationSettings(store, s));
    EXPECT_EQ(s.TasksFont.Name, "Designed");
}

TEST_F(SettingsStoreTest, SavedValuesComeBackAndAreStoredAsTheRegistryKeptThem)
{
    const std::string last = dir.File("outline.tvd");
    WriteAll(last, "x");
    // Every value away from its default.
    TInstallationSettings s;
    s.ShowInTray = false;
    s.MinimizeToTray = s.CloseToTray = s.EscMinimizeApp = true;
    s.OneClickEditMode = s.HotKeyActive = s.SaveWndPosition = false;
    s.Placement = {10, 800, 20, 600, 250, true};
    s.AutoSaveMode = 2;
    s.HotKeyChar = "Z";
    s.HotKeyShifts = 2 | 4;
    s.TasksFont = {"Verdana", 1, 255, 11, 1};
    s.TasksColor = 0x00FFEEDD;
    s.NoteFont = {"Courier", 204, 0, 9, 2};
    s.NoteColor = 0x00112233;
    s.LastDBFile = last;
    Save(s, file);
    // What is read back stores the same file again.
    Save(Load(), dir.File("again.ini"));
    const auto raw = Raw(file);
    EXPECT_EQ(Raw(dir.File("again.ini")), raw);
    EXPECT_EQ(raw.size(), 21u);

    // Booleans as 0 and 1, the font as its one-line text, the hot key as one character.
    EXPECT_EQ(raw.at("Settings/MinimizeToTray"), "1");
    EXPECT_EQ(raw.at("Settings/ShowInTray"), "0");
    EXPECT_EQ(raw.at("Settings/TasksFont"), "Verdana,1,255,11,1");
    EXPECT_EQ(raw.at("Settings/HotKeyChar"), "Z");
    EXPECT_EQ(raw.at("Settings/WndPosMaximized"), "1");
    EXPECT_EQ(raw.at("Settings/LastDBFile"), last);
}

TEST_F(SettingsStoreTest, UnreadableValuesKeepWhatWasThereOneByOne)
{
    WriteIni("ShowInTray=yes please\nMinimizeToTray=1\nCloseToTray=true\nHotKeyActive=7\nHotKeyChar=\n"
             "HotKeyShifts=abc\nTasksColor=0x12\nAutoSaveMode=9\nTasksFont=Arial,1,0,12,2\n");
    TInstallationSettings start;
    start.HotKeyChar = "W";
    start.HotKeyShifts = 3;
    start.TasksColor = 77;
    start.AutoSaveMode = 2;
    const TInstallationSettings s = Load(start);
    EXPECT_TRUE(s.ShowInTray);       // unreadable: kept
    EXPECT_TRUE(s.MinimizeToTray);   // read
    EXPECT_TRUE(s.CloseToTray);      // a hand-written word still reads
    EXPECT_TRUE(s.HotKeyActive);     // any other number is true
    EXPECT_EQ(s.HotKeyChar, "W");    // empty: kept
    EXPECT_EQ(s.HotKeyShifts, 3);    // unreadable: kept
    EXPECT_EQ(s.TasksColor, 77);
    EXPECT_EQ(s.AutoSaveMode, 0);    // no such mode: never
    EXPECT_EQ(FontToString(s.TasksFont), "Arial,1,0,12,2");  // a hand-written font without quotes

    WriteIni("HotKeyChar=\xc3\xa4xyz\nHotKeyShifts=16399\n");  // the first character, known modifiers
    EXPECT_EQ(Load().HotKeyChar, "\xc3\xa4");
    EXPECT_EQ(Load().HotKeyShifts, 15);
}

TEST_F(SettingsStoreTest, PlacementFailingMidwayKeepsEarlierValuesButCountsAsNotStored)
{
    WriteIni("WndPosLeft=100\nWndPosWidth=640\nWndPosTop=oops\nWndPosHeight=480\nWndTreeWidth=200\n"
             "WndPosMaximized=1\n");
    TInstallationSettings start;
    start.Placement.Top = 5;
    start.Placement.Height = 6;
    const TWindowPlacement p = Load(start).Placement;
    // Left read; no usable placement; Top and Height not read after the failure.
    EXPECT_EQ(std::make_tuple(p.Left, p.Width, p.Top, p.Height, p.Maximized), std::make_tuple(100, -1, 5, 6, false));

    WriteIni("WndPosLeft=1\nWndPosWidth=2\nWndPosTop=3\nWndPosHeight=4\nWndTreeWidth=5\n");
    EXPECT_EQ(Load().Placement.Width, -1);  // the maximised flag is part of the block
}

TEST_F(SettingsStoreTest, ALastFileThatIsGoneIsForgotten)
{
    const std::string there = dir.File("there.tvd");
    WriteAll(there, "x");
    WriteIni("LastDBFile=" + there + "\n");
    EXPECT_EQ(Load().LastDBFile, there);
    std::filesystem::remove(there);
    TInstallationSettings start;
    start.LastDBFile = "previous";
    EXPECT_EQ(Load(start).LastDBFile, "");
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeWrittenFailsWithItsMessage)
{
    WriteAll(dir.File("no-such-dir"), "file");  // a file where the folder should be
    try {
        Save(TInstallationSettings{}, dir.File("no-such-dir/settings.ini"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not save settings to registry. No access?");
    }
}

} // namespace
