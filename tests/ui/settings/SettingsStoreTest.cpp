// The installation settings in their store: defaults on a first start, values that fail one by
// one, the placement block as a whole, and the layout a stored file has.
#include <gtest/gtest.h>

#include <QSettings>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "ui/Settings.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("tovrin_settings_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        file_ = (dir_ / "settings.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void WriteIni(const std::string& text) { std::ofstream(file_) << "[Settings]\n" << text; }
    TInstallationSettings Load(TInstallationSettings start = {})
    {
        QSettings store(QString::fromStdString(file_), QSettings::IniFormat);
        LoadInstallationSettings(store, start);
        return start;
    }

    std::filesystem::path dir_;
    std::string file_;
};

TEST_F(SettingsStoreTest, FirstStartKeepsEveryDefault)
{
    QSettings store(QString::fromStdString(file_), QSettings::IniFormat);
    TInstallationSettings s;
    s.TasksFont.Name = "Designed";
    EXPECT_FALSE(LoadInstallationSettings(store, s));
    EXPECT_TRUE(s.ShowInTray);
    EXPECT_FALSE(s.MinimizeToTray);
    EXPECT_FALSE(s.CloseToTray);
    EXPECT_TRUE(s.OneClickEditMode);
    EXPECT_TRUE(s.HotKeyActive);
    EXPECT_EQ(s.HotKeyChar, "Q");
    EXPECT_EQ(s.HotKeyShifts, 8);  // Windows key
    EXPECT_EQ(s.Placement.Width, -1);
    EXPECT_EQ(s.AutoSaveMode, 0);
    EXPECT_EQ(s.TasksFont.Name, "Designed");
}

TEST_F(SettingsStoreTest, SavedValuesComeBackAndAreStoredAsTheRegistryKeptThem)
{
    const std::string last = (dir_ / "outline.tvd").string();
    std::ofstream(last) << "x";
    TInstallationSettings s;
    s.ShowInTray = false;
    s.MinimizeToTray = true;
    s.CloseToTray = true;
    s.EscMinimizeApp = true;
    s.OneClickEditMode = false;
    s.HotKeyActive = false;
    s.SaveWndPosition = false;
    s.Placement = {10, 800, 20, 600, 250, true};
    s.AutoSaveMode = 2;
    s.HotKeyChar = "Z";
    s.HotKeyShifts = 2 | 4;
    s.TasksFont = {"Verdana", 1, 255, 11, 1};
    s.TasksColor = 0x00FFEEDD;
    s.NoteFont = {"Courier", 204, 0, 9, 2};
    s.NoteColor = 0x00112233;
    s.LastDBFile = last;
    {
        QSettings store(QString::fromStdString(file_), QSettings::IniFormat);
        SaveInstallationSettings(store, s);
    }
    const TInstallationSettings back = Load();
    EXPECT_FALSE(back.ShowInTray);
    EXPECT_TRUE(back.MinimizeToTray);
    EXPECT_TRUE(back.CloseToTray);
    EXPECT_TRUE(back.EscMinimizeApp);
    EXPECT_FALSE(back.OneClickEditMode);
    EXPECT_FALSE(back.HotKeyActive);
    EXPECT_FALSE(back.SaveWndPosition);
    EXPECT_EQ(back.Placement.Left, 10);
    EXPECT_EQ(back.Placement.Width, 800);
    EXPECT_EQ(back.Placement.Top, 20);
    EXPECT_EQ(back.Placement.Height, 600);
    EXPECT_EQ(back.Placement.TreeWidth, 250);
    EXPECT_TRUE(back.Placement.Maximized);
    EXPECT_EQ(back.AutoSaveMode, 2);
    EXPECT_EQ(back.HotKeyChar, "Z");
    EXPECT_EQ(back.HotKeyShifts, 6);
    EXPECT_EQ(back.TasksFont.Name, "Verdana");
    EXPECT_EQ(back.TasksFont.Size, 11);
    EXPECT_EQ(back.TasksFont.Style, 1);
    EXPECT_EQ(back.TasksColor, 0x00FFEEDD);
    EXPECT_EQ(back.NoteFont.Charset, 204);
    EXPECT_EQ(back.NoteColor, 0x00112233);
    EXPECT_EQ(back.LastDBFile, last);

    // Booleans as 0 and 1, the font as its one-line text, the hot key as one character.
    QSettings raw(QString::fromStdString(file_), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Settings/MinimizeToTray").toString(), "1");
    EXPECT_EQ(raw.value("Settings/ShowInTray").toString(), "0");
    EXPECT_EQ(raw.value("Settings/TasksFont").toString(), "Verdana,1,255,11,1");
    EXPECT_EQ(raw.value("Settings/HotKeyChar").toString(), "Z");
    EXPECT_EQ(raw.allKeys().size(), 21);
}

TEST_F(SettingsStoreTest, UnreadableValuesKeepWhatWasThereOneByOne)
{
    WriteIni("ShowInTray=yes please\n"
             "MinimizeToTray=1\n"
             "CloseToTray=true\n"
             "HotKeyActive=7\n"
             "HotKeyChar=\n"
             "HotKeyShifts=abc\n"
             "TasksColor=0x12\n"
             "AutoSaveMode=9\n");
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
}

TEST_F(SettingsStoreTest, HotKeyTakesTheFirstCharacterAndOnlyKnownModifiers)
{
    WriteIni("HotKeyChar=\xc3\xa4xyz\nHotKeyShifts=16399\n");
    const TInstallationSettings s = Load();
    EXPECT_EQ(s.HotKeyChar, "\xc3\xa4");
    EXPECT_EQ(s.HotKeyShifts, 15);
}

TEST_F(SettingsStoreTest, PlacementFailingMidwayKeepsEarlierValuesButCountsAsNotStored)
{
    WriteIni("WndPosLeft=100\nWndPosWidth=640\nWndPosTop=oops\nWndPosHeight=480\nWndTreeWidth=200\n"
             "WndPosMaximized=1\n");
    TInstallationSettings start;
    start.Placement.Top = 5;
    start.Placement.Height = 6;
    const TInstallationSettings s = Load(start);
    EXPECT_EQ(s.Placement.Left, 100);
    EXPECT_EQ(s.Placement.Width, -1);  // no usable placement
    EXPECT_EQ(s.Placement.Top, 5);
    EXPECT_EQ(s.Placement.Height, 6);  // not read after the failure
    EXPECT_FALSE(s.Placement.Maximized);

    WriteIni("WndPosLeft=1\nWndPosWidth=2\nWndPosTop=3\nWndPosHeight=4\nWndTreeWidth=5\n");
    EXPECT_EQ(Load().Placement.Width, -1);  // the maximised flag is part of the block
}

TEST_F(SettingsStoreTest, ALastFileThatIsGoneIsForgotten)
{
    const std::string there = (dir_ / "there.tvd").string();
    std::ofstream(there) << "x";
    WriteIni("LastDBFile=" + there + "\n");
    EXPECT_EQ(Load().LastDBFile, there);
    std::filesystem::remove(there);
    TInstallationSettings start;
    start.LastDBFile = "previous";
    EXPECT_EQ(Load(start).LastDBFile, "");
}

TEST_F(SettingsStoreTest, HandWrittenFontWithoutQuotesStillReads)
{
    WriteIni("TasksFont=Arial,1,0,12,2\n");
    const TInstallationSettings s = Load();
    EXPECT_EQ(s.TasksFont.Name, "Arial");
    EXPECT_EQ(s.TasksFont.Size, 12);
    EXPECT_EQ(s.TasksFont.Style, 2);
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeWrittenFailsWithItsMessage)
{
    const std::string blocked = (dir_ / "no-such-dir" / "settings.ini").string();
    // A file where the folder should be: nothing can be created below it.
    std::ofstream((dir_ / "no-such-dir").string()) << "file";
    QSettings store(QString::fromStdString(blocked), QSettings::IniFormat);
    try {
        SaveInstallationSettings(store, TInstallationSettings{});
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not save settings to registry. No access?");
    }
}

} // namespace
