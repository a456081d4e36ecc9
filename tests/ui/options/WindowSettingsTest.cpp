// The window's settings at work: first start, loading and saving, placement, the tray, Esc, the
// hot key and auto-save.
#include "OptionsTestSupport.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTimer>

#include <filesystem>

#include "ui/GlobalHotKey.h"
#include "ui/PageControl.h"
#include "ui/ToolIcon.h"
#include "ui/TreeViewCheckBoxes.h"

namespace {

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class WindowSettingsTest : public OptionsTest {};

TEST_F(WindowSettingsTest, FirstStartHasTheDefaultsAndACentredWindow)
{
    auto window = MakeWindow();
    EXPECT_TRUE(window->ShowInTray);
    EXPECT_TRUE(window->TrayIcon->Visible());
    EXPECT_FALSE(window->MinimizeToTray);
    EXPECT_FALSE(window->CloseToTray);
    EXPECT_TRUE(window->HotKeyActive);
    EXPECT_EQ(window->HotKeyChar, "Q");
    EXPECT_EQ(window->HotKeyShifts, 8);
    EXPECT_EQ(window->AutoSaveMode, 0);
    EXPECT_FALSE(window->tmrAutoSaveTimer->isActive());
    EXPECT_EQ(window->TasksFont.Name, window->DefaultTasksFont.Name);
    // Without an X display the hot key is not registered, and nothing fails.
    EXPECT_FALSE(window->SystemHotKey->Registered());
    EXPECT_FALSE(window->RegisterSystemHotKey());

    window->show();
    Settle();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->size(), QSize(740, 500));
    EXPECT_EQ(window->x(), screen.x() + std::max(0, (screen.width() - 740) / 2));
}

TEST_F(WindowSettingsTest, StoredSettingsAreLoadedAndWrittenBackOnClose)
{
    auto window = MakeWindow("ShowInTray=0\nCloseToTray=0\nEscMinimizeApp=1\nOneClickEditMode=0\n"
                             "AutoSaveMode=2\nHotKeyChar=W\nHotKeyShifts=3\nTasksColor=255\n"
                             "NoteFont=\"Serif,204,0,15,0\"\n");
    EXPECT_FALSE(window->ShowInTray);
    EXPECT_FALSE(window->TrayIcon->Visible());
    EXPECT_TRUE(window->EscMinimizeApp);
    EXPECT_FALSE(window->OneClickEditMode);
    EXPECT_EQ(window->AutoSaveMode, 2);
    EXPECT_TRUE(window->tmrAutoSaveTimer->isActive());
    EXPECT_EQ(window->HotKeyChar, "W");
    EXPECT_EQ(window->HotKeyShifts, 3);
    EXPECT_EQ(window->TasksColor, 255);
    EXPECT_EQ(window->NoteFont.Size, 15);
    EXPECT_EQ(window->TaskNotesEditor->font().pointSize(), 15);

    window->show();
    Settle();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Stored("HotKeyChar"), "W");
    EXPECT_EQ(Stored("EscMinimizeApp"), "1");
    EXPECT_EQ(Stored("WndPosWidth"), std::to_string(window->normalGeometry().width()));
    EXPECT_EQ(Stored("LastDBFile"), "");
}

TEST_F(WindowSettingsTest, AStoredPlacementOnTheScreenIsRestored)
{
    auto window = MakeWindow("WndPosLeft=30\nWndPosWidth=1000\nWndPosTop=40\nWndPosHeight=700\n"
                             "WndTreeWidth=400\nWndPosMaximized=0\n");
    window->show();
    Settle();
    EXPECT_EQ(window->geometry(), QRect(30, 40, 1000, 700));
    EXPECT_EQ(window->pcMainPages->width(), 400);
}

TEST_F(WindowSettingsTest, APlacementOffTheScreenOrSwitchedOffIsIgnored)
{
    const QRect virtualScreen = QGuiApplication::primaryScreen()->virtualGeometry();
    auto window = MakeWindow("WndPosLeft=" + std::to_string(virtualScreen.right()) +
                             "\nWndPosWidth=600\nWndPosTop=40\nWndPosHeight=420\nWndTreeWidth=250\n"
                             "WndPosMaximized=0\n");
    window->show();
    Settle();
    EXPECT_EQ(window->size(), QSize(740, 500));
    EXPECT_LT(window->x(), virtualScreen.right() - 30);

    auto off = MakeWindow("SaveWndPosition=0\nWndPosLeft=30\nWndPosWidth=600\nWndPosTop=40\nWndPosHeight=420\n"
                          "WndTreeWidth=250\nWndPosMaximized=0\n");
    off->show();
    Settle();
    EXPECT_EQ(off->size(), QSize(740, 500));
}

TEST_F(WindowSettingsTest, MinimisingToTheTrayHidesTheWindowAndShowsTheIcon)
{
    auto window = MakeWindow("ShowInTray=0\nMinimizeToTray=1\n");
    window->show();
    Settle();
    EXPECT_FALSE(window->TrayIcon->Visible());
    window->showMinimized();
    Settle();
    EXPECT_TRUE(window->HiddenInTray);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->TrayIcon->Visible());  // the only way back

    window->TrayIcon->IconMessage(window->TrayIcon->IconIndex(), TToolIcon::TIconMouse::LeftButtonUp);
    Settle();
    EXPECT_FALSE(window->HiddenInTray);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->TrayIcon->Visible());  // ShowInTray is off again
}

TEST_F(WindowSettingsTest, TurningTheTrayIconOffWhileHiddenKeepsIt)
{
    auto window = MakeWindow("MinimizeToTray=1\n");
    window->show();
    Settle();
    window->showMinimized();
    Settle();
    ASSERT_TRUE(window->HiddenInTray);
    window->SetShowInTray(false);
    EXPECT_TRUE(window->TrayIcon->Visible());
    window->SetMinimizeToTray(false);  // brings the program back
    EXPECT_FALSE(window->HiddenInTray);
    EXPECT_FALSE(window->TrayIcon->Visible());
}

TEST_F(WindowSettingsTest, ClosingToTheTrayHidesOnceAndExitStillCloses)
{
    auto window = MakeWindow("CloseToTray=1\nMinimizeToTray=1\n");
    window->show();
    Settle();
    EXPECT_FALSE(window->close());
    Settle();
    EXPECT_TRUE(window->HiddenInTray);
    EXPECT_FALSE(window->isVisible());
    const QString caption = window->windowTitle();

    window->ShowAppClick();
    Settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), caption);

    window->Exit2->trigger();  // the tray menu's Exit
    Settle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Stored("CloseToTray"), "1");  // the setting itself stays on
}

TEST_F(WindowSettingsTest, TheTrayMenuOffersShowAndExit)
{
    auto window = MakeWindow();
    ASSERT_EQ(window->TrayIcon->PopupMenu(), window->pmnuTray);
    const auto actions = window->pmnuTray->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "Show");
    EXPECT_EQ(window->pmnuTray->defaultAction(), actions[0]);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), "Exit");
}

TEST_F(WindowSettingsTest, TheTrayHintIsTheCaptionWithoutTheModifiedMark)
{
    auto window = MakeWindow();
    window->SetModified(true);
    EXPECT_EQ(window->windowTitle(), "Tovrin Planner *");
    EXPECT_EQ(window->TrayIcon->Hint(), "Tovrin Planner");
}

TEST_F(WindowSettingsTest, EscMinimisesOnlyWhenSwitchedOn)
{
    auto window = MakeWindow();
    window->show();
    Settle();
    auto press = [&] {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &key);
        Settle();
    };
    press();
    EXPECT_FALSE(window->isMinimized());
    window->SetEscMinimizeApp(true);
    press();
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(WindowSettingsTest, AltDownInThePlacesBoxOpensThePlacePicker)
{
    auto window = MakeWindow();
    ASSERT_NE(window->edTaskPlaces, nullptr);
    int clicks = 0;
    QObject::connect(window->btnSelectPlaces, &QToolButton::clicked, [&] { ++clicks; });
    auto send = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(window->edTaskPlaces, &event);
    };
    send(Qt::Key_Down, Qt::NoModifier);
    send(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(clicks, 0);
    send(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != window.get() && top->isVisible())
            top->close();  // the picker, when it opened
    }
}

TEST_F(WindowSettingsTest, TheHotKeyMinimisesTheActiveProgramAndBringsItBack)
{
    auto window = MakeWindow();
    window->show();
    window->activateWindow();
    Settle();
    if (!window->isActiveWindow())
        GTEST_SKIP() << "this platform does not activate windows";
    window->WMHotKey();
    Settle();
    EXPECT_TRUE(window->isMinimized());
    window->WMHotKey();
    Settle();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowSettingsTest, TheHotKeyBringsTheProgramBackFromTheTray)
{
    auto window = MakeWindow("MinimizeToTray=1\n");
    window->show();
    Settle();
    window->showMinimized();
    Settle();
    ASSERT_TRUE(window->HiddenInTray);
    window->WMHotKey();
    Settle();
    EXPECT_FALSE(window->HiddenInTray);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowSettingsTest, LosingTheFocusSavesOnlyAModifiedOutlineWithAFile)
{
    auto window = MakeWindow("AutoSaveMode=1\n");
    window->SetModified(true);
    window->AppDeactivate();  // untitled: no Save dialog pops up
    EXPECT_EQ(services_.SaveDialogs, 0);
    EXPECT_TRUE(window->Modified);

    const std::string name = dir_.File("kept.tvd");
    services_.SaveNames.push_back(name);
    ASSERT_TRUE(window->SaveDocument());
    window->SetModified(true);
    window->AppDeactivate();
    EXPECT_FALSE(window->Modified);
    EXPECT_TRUE(std::filesystem::exists(name + ".bak"));  // saved a second time

    window->SetAutoSaveMode(0);
    window->SetModified(true);
    window->AppDeactivate();
    EXPECT_TRUE(window->Modified);
}

TEST_F(WindowSettingsTest, TheFiveMinuteSaveAsksForANameWithItsTimerStopped)
{
    auto window = MakeWindow("AutoSaveMode=2\n");
    ASSERT_TRUE(window->tmrAutoSaveTimer->isActive());
    bool timerRanDuringDialog = true;
    services_.DuringSaveDialog = [&] { timerRanDuringDialog = window->tmrAutoSaveTimer->isActive(); };
    services_.SaveNames.push_back("");  // cancelled
    window->tmrAutoSaveTimerTimer();
    EXPECT_EQ(services_.SaveDialogs, 1);
    EXPECT_FALSE(timerRanDuringDialog);
    EXPECT_TRUE(window->tmrAutoSaveTimer->isActive());  // asks again in 5 minutes
    EXPECT_TRUE(window->Untitled);

    // With a file it saves whether or not there are changes.
    const std::string name = dir_.File("timed.tvd");
    services_.SaveNames.push_back(name);
    window->tmrAutoSaveTimerTimer();
    ASSERT_TRUE(std::filesystem::exists(name));
    window->tmrAutoSaveTimerTimer();
    EXPECT_TRUE(std::filesystem::exists(name + ".bak"));
    EXPECT_EQ(services_.SaveDialogs, 2);
}

TEST_F(WindowSettingsTest, SettingsThatCannotBeWrittenKeepTheWindowOpen)
{
    auto window = MakeWindow();
    window->show();
    Settle();
    std::filesystem::create_directories(SettingsFile());  // a folder where the file should be
    EXPECT_FALSE(window->close());
    ASSERT_FALSE(services_.Shown.empty());
    EXPECT_EQ(services_.Shown.back(), "Can not save settings to registry. No access?");
    EXPECT_TRUE(window->isVisible());
    std::filesystem::remove_all(SettingsFile());
}

} // namespace
