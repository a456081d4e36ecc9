// A place deleted on the Places page, and its deletion undone and redone, as the task panel then
// shows and writes the current task's places. Real mouse and key events, in the window offscreen.
#include "ui/mainwindow/WindowTestSupport.h"
#include "ui/places/WindowClicks.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include "taskdb/TaskPlace.h"
#include "ui/controls/PageControl.h"

namespace {

class PlaceDeletionInTasksTest : public TWindowFixture {
protected:
    TTaskPlace* garden = nullptr;
    TTaskPlace* shop = nullptr;

    // Places Garden and Shop; the task Water goes to both, Rest to none.
    void SetUp() override
    {
        TWindowFixture::SetUp();
        BuildOutline([this](TTaskNode* root) {
            garden = window->State().DataBase->PlacesList->Add("Garden");
            shop = window->State().DataBase->PlacesList->Add("Shop");
            root->AddChild("Water", -1)->Places = {garden->PlaceID, shop->PlaceID};
            root->AddChild("Rest", -1);
        });
        ClickBesideLabel(window->Part<TOutlineViews>().tvTasksTree(), Node("Water"));
        ASSERT_EQ(window->State().CurrentTask, Task("Water"));
        ASSERT_EQ(PlacesBox(), "Garden; Shop");
    }

    void ClickTab(const char* text) { ::ClickTab(*window, text); }
    // Deletes Garden with Ctrl+Del on the Places page.
    void DeleteGarden()
    {
        ClickTab("Places");
        TTreeViewCheckBoxes* list = window->Part<TPlacePanel>().lvPlaces();
        ClickBesideLabel(list, window->Part<TPlacePanel>().FindPlaceListItem(list, garden));
        ASSERT_EQ(window->State().CurrentPlace, garden);
        Keys(list, Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(window->State().DataBase->PlacesList->FindByCaption("Garden"), nullptr);
    }
    void Keys(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(target, key, modifiers);
        QApplication::processEvents();
    }
    std::string PlacesBox() const { return Named<QLineEdit>(*window, "edTaskPlaces")->text().toStdString(); }
    std::string WaterPlaces() const { return window->State().DataBase->PlacesList->CaptionsText(Task("Water")->Places); }
};

TEST_F(PlaceDeletionInTasksTest, ThePanelShowsThePlacesAsTheyAreAfterDeleteUndoAndRedo)
{
    DeleteGarden();
    ClickTab("Outline");
    EXPECT_EQ(PlacesBox(), "Shop");

    Keys(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshPlaces());
    ASSERT_NE(window->State().DataBase->PlacesList->FindByCaption("Garden"), nullptr);
    EXPECT_TRUE(Named<QWidget>(*window, "pnlPlaceProps")->isVisibleTo(window.get()));  // Garden's, selected again
    EXPECT_FALSE(Named<QWidget>(*window, "pnlTaskProps")->isVisibleTo(window.get()));
    ClickTab("Outline");
    EXPECT_EQ(PlacesBox(), "Garden; Shop");

    Keys(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(window->State().DataBase->PlacesList->FindByCaption("Garden"), nullptr);
    EXPECT_FALSE(Named<QWidget>(*window, "pnlRight")->isVisibleTo(window.get()));  // no place selected
    ClickTab("Outline");
    EXPECT_EQ(PlacesBox(), "Shop");
    EXPECT_TRUE(services.Shown.empty());
}

// An edit of the task after the deletion, or after its undo: no question, and the task keeps
// the places the panel shows; an undo after all leaves one Garden.
TEST_F(PlaceDeletionInTasksTest, AnEditWritesThePlacesAsTheyAre)
{
    for (const bool undone : {false, true}) {
        SCOPED_TRACE(undone ? "undone" : "deleted");
        if (undone)
            SetUp();  // a fresh window
        DeleteGarden();
        ClickTab("Outline");
        if (undone) {
            Keys(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_Z, Qt::ControlModifier);
            ClickTab("Outline");
        }
        QCheckBox* hide = Named<QCheckBox>(*window, "cbHideInToDo");  // written back at once
        QTest::mouseClick(hide, Qt::LeftButton, {}, QPoint(6, hide->height() / 2));
        ASSERT_TRUE(Task("Water")->HideInToDo);
        EXPECT_TRUE(services.Shown.empty());  // no "Create new place?"
        EXPECT_EQ(WaterPlaces(), undone ? "Garden; Shop" : "Shop");
        while (window->Part<TUndoNavigation>().UndoList()->CanUndo())
            window->Part<TUndoNavigation>().actUndo()->trigger();
        EXPECT_EQ(window->State().DataBase->PlacesList->Count(), 2);
        EXPECT_EQ(WaterPlaces(), "Garden; Shop");
    }
}

} // namespace
