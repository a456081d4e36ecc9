// A change made elsewhere (a place renamed, a subtree's places cleared, a place deletion undone
// or redone, another page) as the property panel then shows it and as its next write-back keeps
// it. Real mouse clicks and keys in the window offscreen.
#include "ui/places/PlacesWindowFixture.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabBar>
#include <QTest>

#include "platform/Stream.h"
#include "taskdb/TaskPlace.h"
#include "ui/controls/PageControl.h"

namespace {

using PanelsFollowChangesTest = TPlacesWindowFixture;

struct TFollowCase {
    const char* Name;
    std::function<void()> Steps;
    std::function<std::string()> Shown;  // what the panel shows then
    std::string ShownExpected;
    std::function<std::string()> Written;  // after a following edit
    std::string WrittenExpected;
};

TEST_F(PanelsFollowChangesTest, ThePanelShowsTheChangeAndItsNextWriteBackKeepsIt)
{
    const auto walkKeepsPark = [this] {
        EditTask();
        return PlacesOf("Walk") + (services.Shown.empty() ? "" : " asked") + " of " +
               std::to_string(window->State().DataBase->PlacesList->Count());
    };
    const auto renamePhone = [this] {
        Type(window->Part<TPlacePanel>().memPlaceCaption(), "Mobile", true);
        ClickTab("Outline");
        return Task("Walk")->Caption + " " + phone->Caption;
    };
    const auto deleteShop = [this] {
        ClickTab("Places");
        ClickPlace(shop);
        Keys(Qt::Key_Delete, Qt::ControlModifier);
    };
    const auto cityTicked = [this] {
        ClickPlace(city);
        return Ticked();
    };
    const auto cityAfterNoteEdit = [this] {
        Type(window->Part<TPlacePanel>().PlaceNotesEditor(), "x", false);
        return SavedCityIncludes();
    };
    const std::vector<TFollowCase> cases = {
        {"rename in the list",
         [this] {
             ClickTask("Walk");
             ClickTab("Places");
             ClickPlace(outdoors);
             Keys(Qt::Key_F2);
             QTest::keyClicks(window->Part<TPlacePanel>().lvPlaces()->InPlaceEditor(), "Park");
             Keys(Qt::Key_Return);
             ClickTab("Outline");
         },
         [this] { return PlacesBox(); }, "Park", walkKeepsPark, "Park of 7"},
        {"rename in the box",
         [this] {
             ClickTask("Walk");
             ClickTab("Places");
             ClickPlace(outdoors);
             Type(window->Part<TPlacePanel>().memPlaceCaption(), "Park", true);
             ClickTab("Outline");
         },
         [this] { return PlacesBox(); }, "Park", walkKeepsPark, "Park of 7"},
        {"clear with a pending edit",
         [this] {
             ClickTask("House");
             Type(window->Part<TTaskPanel>().TaskNotesEditor(), "word", false);
             services.Answers = {idYes};
             PopupCommand("Task places", "Clear places for task and subtasks...");
         },
         [this] { return PlacesBox(); }, "",
         [this] {
             EditTask();
             const std::unique_ptr<TTovrinDataBase> saved = SaveAndRead();
             std::string text;
             saved->Root->ForEachNode(
                 [&](void*, TTaskNode* task) {
                     text += task->Caption + "[" + saved->PlacesList->CaptionsText(task->Places) + "]" + task->Note.Text();
                 },
                 nullptr);
             return text;
         },
         "[]Walk[Outdoors]House[]word\nSweep[]Cook[]Errand[]"},
        {"undo of a place deletion with a pending include edit",
         [&, this] {
             deleteShop();
             ClickPlace(city);
             Tick(office);
             Keys(Qt::Key_Z, Qt::ControlModifier);
         },
         cityTicked, "Office Shop Town", cityAfterNoteEdit, "Office Shop Town"},
        {"redo of a place deletion with a pending include edit",
         [&, this] {
             deleteShop();
             Keys(Qt::Key_Z, Qt::ControlModifier);
             ClickPlace(city);
             Tick(office);
             Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
             Keys(Qt::Key_Z, Qt::ControlModifier);
         },
         cityTicked, "Office Shop Town", cityAfterNoteEdit, "Office Shop Town"},
        {"back on the places page with a place highlighted",
         [this] {
             ClickTab("Places");
             ClickPlace(phone);
             ClickTab("Outline");
             ClickTask("Walk");
             ClickTab("Places");
         },
         [this] { return Side(); }, "Place: Phone", renamePhone, "Walk Mobile"},
        {"back on the places page after a place was made from the places box",
         [this] {
             ClickTab("Places");
             ClickPlace(phone);
             ClickTab("Outline");
             ClickTask("Walk");
             Type(Named<QLineEdit>(*window, "edTaskPlaces"), "Yard", true);
             services.Answers = {idYes};  // "Create new place?"
             ClickTab("Places");
         },
         [this] { return Side(); }, "Place: Phone", renamePhone, "Walk Mobile"},
        {"back on the places page with none highlighted",
         [this] {
             ClickTask("Walk");
             ClickTab("Places");
         },
         [this] { return Side(); }, "none",
         [this] {
             ClickPlace(phone);
             return Side();
         },
         "Place: Phone"},
        {"a click on the highlighted place after the task side came back",
         [this] {
             ClickTask("Walk");
             EditTask();
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_Z, Qt::ControlModifier);  // the task's change undone: the outline shows it
             ClickTab("Places");
             ClickPlace(phone);
         },
         [this] { return Side(); }, "Place: Phone", renamePhone, "Walk Mobile"},
    };
    for (const TFollowCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUp();  // a fresh window
        c.Steps();
        EXPECT_EQ(c.Shown(), c.ShownExpected);
        EXPECT_EQ(c.Written(), c.WrittenExpected);
        window.reset();
        services = TScriptedServices();
    }
}

// Cosmetic: in the designed size the left pane keeps one width across the pages, and after a
// drop the path box shows the task's new parent.
TEST_F(PanelsFollowChangesTest, TheLeftPaneKeepsItsWidthAndADropShowsTheNewPath)
{
    window->resize(740, 500);
    QApplication::processEvents();
    auto* splitter = window->findChild<QSplitter*>();
    ClickTask("Walk");
    const int width = splitter->sizes().front();
    for (const char* page : {"Places", "Outline", "ToDo", "Places", "Outline"}) {
        SCOPED_TRACE(page);
        ClickTab(page);
        if (std::string(page) == "Places")
            ClickPlace(phone);
        EXPECT_EQ(splitter->sizes().front(), width);
    }

    ClickTask("Errand");
    QWidget* viewport = window->Part<TOutlineViews>().tvTasksTree()->viewport();
    const auto mouse = [&](QEvent::Type type, QPoint pos) {
        QMouseEvent event(type, QPointF(pos), QPointF(viewport->mapToGlobal(pos)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
        QApplication::processEvents();
    };
    const auto beside = [&](const char* caption) {
        const QRect label = window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node(caption));
        return QPoint(label.right() + 20, label.bottom() - 1);
    };
    mouse(QEvent::MouseButtonPress, beside("Errand"));
    mouse(QEvent::MouseMove, beside("Errand") + QPoint(QApplication::startDragDistance() + 2, 0));
    mouse(QEvent::MouseMove, beside("House"));
    mouse(QEvent::MouseButtonRelease, beside("House"));
    ASSERT_EQ(Task("Errand")->Parent, Task("House"));
    EXPECT_EQ(Named<QLineEdit>(*window, "edPath")->text().toStdString(), "\\House\\");
}

} // namespace
