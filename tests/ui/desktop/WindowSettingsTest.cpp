// The window's settings at work: first start, loading and saving, placement, the tray, Esc, the
// hot key and auto-save.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include "ui/desktop/GlobalHotKey.h"
#include "ui/controls/PageControl.h"
#include "ui/desktop/ToolIcon.h"

namespace {

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// Each test makes its window from the settings it needs.
class WindowSettingsTest : public TWindowFixture {
protected:
    void SetUp() override {}
    void ShowAndSettle()
    {
        window->show();
        Settle();
    }
    // A shown window with these settings, minimised to the tray.
    void HideInTray(const std::string& settings)
    {
        window = MakeWithSettings(settings);
        ShowAndSettle();
        window->showMinimized();
        Settle();
        ASSERT_TRUE(window->Part<TDesktopIntegration>().HiddenInTray());
    }
};

TEST_F(WindowSettingsTest, FirstStartHasTheDefaultsAndACentredWindow)
{
    window = Make({}, false);
    EXPECT_TRUE(window->Part<TDesktopIntegration>().TrayIcon()->Visible());
    EXPECT_FALSE(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive());
    // The designed fonts: Tahoma 8 for the task lists and the notes (with its own charset).
    EXPECT_EQ(FontToString(window->Part<TWindowOptions>().DefaultTasksFont()), "Tahoma,1,-16777208,8,0");
    EXPECT_EQ(FontToString(window->Part<TWindowOptions>().DefaultNoteFont()), "Tahoma,204,-16777208,8,0");
    EXPECT_EQ(FontToString(window->Part<TWindowOptions>().TasksFont()), FontToString(window->Part<TWindowOptions>().DefaultTasksFont()));
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->font().family(), "Tahoma");
    EXPECT_EQ(window->Part<TTaskPanel>().TaskNotesEditor()->font().pointSize(), 8);
    // Without an X display the hot key is not registered, and nothing fails.
    EXPECT_FALSE(window->Part<TDesktopIntegration>().SystemHotKey()->Registered());
    EXPECT_FALSE(window->Part<TDesktopIntegration>().RegisterSystemHotKey());

    ShowAndSettle();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();  // the whole screen
    EXPECT_EQ(window->size(), QSize(740, 500));
    EXPECT_EQ(window->x(), screen.x() + std::max(0, (screen.width() - 740) / 2));
    EXPECT_EQ(window->y(), screen.y() + std::max(0, (screen.height() - 500) / 2));
}

TEST_F(WindowSettingsTest, StoredSettingsAreLoadedAndWrittenBackOnClose)
{
    window = MakeWithSettings("ShowInTray=0\nCloseToTray=0\nEscMinimizeApp=1\nOneClickEditMode=0\n"
                              "AutoSaveMode=2\nHotKeyChar=W\nHotKeyShifts=3\nTasksColor=255\n"
                              "NoteFont=\"Serif,204,0,15,0\"\n");
    EXPECT_FALSE(window->Part<TDesktopIntegration>().TrayIcon()->Visible());
    EXPECT_TRUE(window->Part<TDesktopIntegration>().EscMinimizeApp());
    EXPECT_FALSE(window->Part<TWindowOptions>().OneClickEditMode());
    EXPECT_TRUE(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive());
    EXPECT_EQ(window->Part<TDesktopIntegration>().HotKeyChar() + "+" + std::to_string(window->Part<TDesktopIntegration>().HotKeyShifts()), "W+3");
    EXPECT_EQ(window->Part<TWindowOptions>().TasksColor(), 255);
    EXPECT_EQ(window->Part<TTaskPanel>().TaskNotesEditor()->font().pointSize(), 15);

    ShowAndSettle();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Stored("HotKeyChar"), "W");
    EXPECT_EQ(Stored("EscMinimizeApp"), "1");
    EXPECT_EQ(Stored("WndPosWidth"), std::to_string(window->normalGeometry().width()));
    EXPECT_EQ(Stored("LastDBFile"), "");
}

TEST_F(WindowSettingsTest, AStoredPlacementOnTheScreenIsRestored)
{
    window = MakeWithSettings("WndPosLeft=30\nWndPosWidth=1000\nWndPosTop=40\nWndPosHeight=700\n"
                              "WndTreeWidth=400\nWndPosMaximized=0\n");
    ShowAndSettle();
    EXPECT_EQ(window->geometry(), QRect(30, 40, 1000, 700));
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->width(), 400);
}

// The splitter as the user left it, normal or maximised: dragged by its handle, closed, and
// shown again at the next start.
TEST_F(WindowSettingsTest, TheLeftPaneComesBackAsWideAsItWasClosed)
{
    for (const bool maximized : {false, true}) {
        SCOPED_TRACE(maximized ? "maximised" : "normal");
        window = MakeWithSettings("WndPosLeft=30\nWndPosWidth=600\nWndPosTop=40\nWndPosHeight=420\n"
                                  "WndTreeWidth=200\nWndPosMaximized=0\n");
        ShowAndSettle();
        if (maximized) {
            window->showMaximized();
            Settle();
            ASSERT_GT(window->width(), 600);
        }
        auto* splitter = qobject_cast<QSplitter*>(window->Part<TMainPages>().pcMainPages()->parentWidget());
        ASSERT_NE(splitter, nullptr);
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint grip = handle->rect().center();
        const int drag = 300 - window->Part<TMainPages>().pcMainPages()->width();
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(drag, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(drag, 0));
        Settle();
        ASSERT_EQ(window->Part<TMainPages>().pcMainPages()->width(), 300);
        ASSERT_TRUE(window->close());
        ASSERT_EQ(Stored("WndTreeWidth"), "300");

        window = Make({}, false);
        ShowAndSettle();
        EXPECT_EQ(window->isMaximized(), maximized);
        EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->width(), 300);
    }
}

TEST_F(WindowSettingsTest, APlacementOffTheScreenOrSwitchedOffIsIgnored)
{
    const QRect virtualScreen = QGuiApplication::primaryScreen()->virtualGeometry();
    window = MakeWithSettings("WndPosLeft=" + std::to_string(virtualScreen.right()) +
                              "\nWndPosWidth=600\nWndPosTop=40\nWndPosHeight=420\nWndTreeWidth=250\n"
                              "WndPosMaximized=0\n");
    ShowAndSettle();
    EXPECT_EQ(window->size(), QSize(740, 500));
    EXPECT_LT(window->x(), virtualScreen.right() - 30);

    auto off = MakeWithSettings("SaveWndPosition=0\nWndPosLeft=30\nWndPosWidth=600\nWndPosTop=40\nWndPosHeight=420\n"
                                "WndTreeWidth=250\nWndPosMaximized=0\n");
    off->show();
    Settle();
    EXPECT_EQ(off->size(), QSize(740, 500));
}

TEST_F(WindowSettingsTest, MinimisingToTheTrayHidesTheWindowAndShowsTheIcon)
{
    HideInTray("ShowInTray=0\nMinimizeToTray=1\n");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Part<TDesktopIntegration>().TrayIcon()->Visible());  // the only way back

    window->Part<TDesktopIntegration>().TrayIcon()->IconMessage(window->Part<TDesktopIntegration>().TrayIcon()->IconIndex(), TToolIcon::TIconMouse::LeftButtonUp);
    Settle();
    EXPECT_FALSE(window->Part<TDesktopIntegration>().HiddenInTray());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->Part<TDesktopIntegration>().TrayIcon()->Visible());  // ShowInTray is off again
}

TEST_F(WindowSettingsTest, TurningTheTrayIconOffWhileHiddenKeepsIt)
{
    HideInTray("MinimizeToTray=1\n");
    window->Part<TDesktopIntegration>().SetShowInTray(false);
    EXPECT_TRUE(window->Part<TDesktopIntegration>().TrayIcon()->Visible());
    window->Part<TDesktopIntegration>().SetMinimizeToTray(false);  // brings the program back
    EXPECT_FALSE(window->Part<TDesktopIntegration>().HiddenInTray());
    EXPECT_FALSE(window->Part<TDesktopIntegration>().TrayIcon()->Visible());
}

TEST_F(WindowSettingsTest, ClosingToTheTrayHidesOnceAndExitStillCloses)
{
    window = MakeWithSettings("CloseToTray=1\nMinimizeToTray=1\n");
    ShowAndSettle();
    EXPECT_FALSE(window->close());
    Settle();
    EXPECT_TRUE(window->Part<TDesktopIntegration>().HiddenInTray());
    EXPECT_FALSE(window->isVisible());
    const QString caption = window->windowTitle();

    window->Part<TDesktopIntegration>().ShowAppClick();
    Settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), caption);

    window->Part<TDesktopIntegration>().Exit2()->trigger();  // the tray menu's Exit
    Settle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Stored("CloseToTray"), "1");  // the setting itself stays on
}

TEST_F(WindowSettingsTest, EscMinimisesOnlyWhenSwitchedOn)
{
    window = Make({}, false);
    ShowAndSettle();
    auto press = [&] {
        SendKey(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Escape);
        Settle();
    };
    press();
    EXPECT_FALSE(window->isMinimized());
    window->Part<TDesktopIntegration>().SetEscMinimizeApp(true);
    press();
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(WindowSettingsTest, AltDownInThePlacesBoxOpensThePlacePicker)
{
    window = Make({}, false);
    ASSERT_NE(Named<QLineEdit>(*window, "edTaskPlaces"), nullptr);
    int clicks = 0;
    QObject::connect(Named<QToolButton>(*window, "btnSelectPlaces"), &QToolButton::clicked, [&] { ++clicks; });
    SendKey(Named<QLineEdit>(*window, "edTaskPlaces"), Qt::Key_Down);
    SendKey(Named<QLineEdit>(*window, "edTaskPlaces"), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(clicks, 0);
    SendKey(Named<QLineEdit>(*window, "edTaskPlaces"), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != window.get() && top->isVisible())
            top->close();  // the picker, when it opened
    }
}

TEST_F(WindowSettingsTest, TheHotKeyMinimisesTheActiveProgramAndBringsItBack)
{
    window = Make({}, false);
    window->show();
    window->activateWindow();
    Settle();
    if (!window->isActiveWindow())
        GTEST_SKIP() << "this platform does not activate windows";
    window->Part<TDesktopIntegration>().WMHotKey();
    Settle();
    EXPECT_TRUE(window->isMinimized());
    window->Part<TDesktopIntegration>().WMHotKey();
    Settle();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowSettingsTest, TheHotKeyBringsTheProgramBackFromTheTray)
{
    HideInTray("MinimizeToTray=1\n");
    window->Part<TDesktopIntegration>().WMHotKey();
    Settle();
    EXPECT_FALSE(window->Part<TDesktopIntegration>().HiddenInTray());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowSettingsTest, LosingTheFocusSavesOnlyAModifiedOutlineWithAFile)
{
    window = MakeWithSettings("AutoSaveMode=1\n");
    window->Part<TDocumentLifecycle>().SetModified(true);
    window->Part<TDesktopIntegration>().AppDeactivate();  // untitled: no Save dialog pops up
    EXPECT_EQ(services.Requests.size(), 0u);
    EXPECT_TRUE(window->State().Modified);

    const std::string name = dir.File("kept.tvd");
    services.SaveFiles.push_back(name);
    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveDocument());
    window->Part<TDocumentLifecycle>().SetModified(true);
    window->Part<TDesktopIntegration>().AppDeactivate();
    EXPECT_FALSE(window->State().Modified);
    EXPECT_TRUE(std::filesystem::exists(name + ".bak"));  // saved a second time

    window->Part<TDesktopIntegration>().SetAutoSaveMode(0);
    window->Part<TDocumentLifecycle>().SetModified(true);
    window->Part<TDesktopIntegration>().AppDeactivate();
    EXPECT_TRUE(window->State().Modified);
}

TEST_F(WindowSettingsTest, TheFiveMinuteSaveAsksForANameWithItsTimerStopped)
{
    window = MakeWithSettings("AutoSaveMode=2\n");
    ASSERT_TRUE(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive());
    bool timerRanDuringDialog = true;
    services.DuringDialog = [&] { timerRanDuringDialog = window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive(); };
    services.SaveFiles.push_back("");  // cancelled
    window->Part<TDesktopIntegration>().tmrAutoSaveTimerTimer();
    EXPECT_EQ(services.Requests.size(), 1u);
    EXPECT_FALSE(timerRanDuringDialog);
    EXPECT_TRUE(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive());  // asks again in 5 minutes
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());

    // With a file it saves whether or not there are changes.
    const std::string name = dir.File("timed.tvd");
    services.SaveFiles.push_back(name);
    window->Part<TDesktopIntegration>().tmrAutoSaveTimerTimer();
    ASSERT_TRUE(std::filesystem::exists(name));
    window->Part<TDesktopIntegration>().tmrAutoSaveTimerTimer();
    EXPECT_TRUE(std::filesystem::exists(name + ".bak"));
    EXPECT_EQ(services.Requests.size(), 2u);
}

TEST_F(WindowSettingsTest, SettingsThatCannotBeWrittenKeepTheWindowOpen)
{
    window = Make({}, false);
    ShowAndSettle();
    std::filesystem::create_directories(SettingsFile());  // a folder where the file should be
    EXPECT_FALSE(window->close());
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_EQ(services.Shown.back(), "Can not save settings to registry. No access?");
    EXPECT_TRUE(window->isVisible());
    std::filesystem::remove_all(SettingsFile());
}

} // namespace
