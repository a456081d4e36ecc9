// A caption editor opened and closed with the text it started with is a look: in the outline
// tree, the To-Do tree and the places list it writes nothing, however it ends. Real mouse clicks
// and keys in the window offscreen.
#include "ui/places/PlacesWindowFixture.h"

#include <QAction>

namespace {

class CaptionLookTest : public TPlacesWindowFixture {
protected:
    // A click on the first letters of a row's label: one-click editing opens its editor.
    void ClickLabel(TTreeViewCheckBoxes* tree, QTreeWidgetItem* item)
    {
        ASSERT_NE(item, nullptr);
        const QRect label = tree->LabelRect(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(label.left() + 3, label.center().y()));
        QApplication::processEvents();
        ASSERT_TRUE(tree->IsEditing());
    }
    // What the look left behind: the title's mark, steps to undo, the task's stamp, boxes.
    std::string Traces(double Stamp) const
    {
        std::string text;
        if (window->windowTitle().endsWith(QLatin1Char('*')))
            text += "* ";
        if (window->Part<TUndoNavigation>().actUndo()->isEnabled())
            text += window->Part<TUndoNavigation>().actUndo()->text().toStdString() + " ";
        if (Task("Walk")->ModifiedDateTime != Stamp)
            text += "stamped ";
        for (const std::string& shown : services.Shown)
            text += shown + " ";
        return text;
    }
};

TEST_F(CaptionLookTest, ACaptionLeftAsItWasWritesNothingHoweverItsEditorCloses)
{
    const std::vector<std::pair<const char*, std::function<TTreeViewCheckBoxes*()>>> opens = {
        {"outline", [this] {
             ClickTask("Walk");
             ClickLabel(window->Part<TOutlineViews>().tvTasksTree(), Node("Walk"));
             return window->Part<TOutlineViews>().tvTasksTree();
         }},
        {"To-Do", [this] {
             ClickTab("ToDo");
             TTreeViewCheckBoxes* todo = window->Part<TToDoPage>().tvToDo();
             ClickLabel(todo, window->Part<TTreeEditing>().FindTaskNode(todo, Task("Walk")));
             return todo;
         }},
        {"places", [this] {
             ClickTab("Places");
             TTreeViewCheckBoxes* places = window->Part<TPlacePanel>().lvPlaces();
             ClickLabel(places, window->Part<TPlacePanel>().FindPlaceListItem(places, phone));
             return places;
         }},
        {"places by F2", [this] {
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_F2);
             return window->Part<TPlacePanel>().lvPlaces();
         }},
    };
    const std::vector<std::pair<const char*, std::function<void(TTreeViewCheckBoxes*)>>> ends = {
        {"Enter", [this](TTreeViewCheckBoxes*) { Keys(Qt::Key_Return); }},
        {"F2", [this](TTreeViewCheckBoxes*) { Keys(Qt::Key_F2); }},
        {"a click outside the window", [](TTreeViewCheckBoxes*) {
             QWidget other;
             other.show();
             other.activateWindow();
             QApplication::processEvents();
         }},
        {"a click on another row", [](TTreeViewCheckBoxes* tree) {
             ClickBesideLabel(tree, tree->topLevelItem(tree->topLevelItemCount() - 1));
         }},
        {"another page", [this](TTreeViewCheckBoxes*) { ClickTab("Outline"); ClickTab("Places"); }},
    };
    for (const auto& [open, openEditor] : opens)
        for (const auto& [end, endEdit] : ends) {
            SCOPED_TRACE(std::string(open) + ", " + end);
            SetUp();
            const double stamp = Task("Walk")->ModifiedDateTime;
            TTreeViewCheckBoxes* tree = openEditor();
            endEdit(tree);
            QApplication::processEvents();
            EXPECT_FALSE(tree->IsEditing());
            EXPECT_EQ(Traces(stamp), "");
            EXPECT_EQ(Task("Walk")->Caption + " " + phone->Caption, "Walk Phone");
        }
}

// A new task or place kept as it came is the outline's news all the same.
TEST_F(CaptionLookTest, ANewTaskKeptAsInsertedMarksTheOutlineAndANewPlaceStays)
{
    ClickTask("Errand");
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_Insert, QString(), {});
    EXPECT_EQ(Traces(Task("Walk")->ModifiedDateTime), "");
    Keys(Qt::Key_Return);
    EXPECT_EQ(Traces(Task("Walk")->ModifiedDateTime), "* ");
    EXPECT_FALSE(window->Part<TTreeEditing>().NewTaskPending());
    EXPECT_EQ(Outline(Root()), "Walk House[Sweep Cook] Errand New Task");

    ClickTab("Places");
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_Insert, QString(), {});
    Keys(Qt::Key_Return);
    EXPECT_EQ(Texts(window->Part<TPlacePanel>().lvPlaces()).back(), "New place");
    EXPECT_EQ(SaveAndRead()->PlacesList->Count(), 8);
    EXPECT_EQ(Traces(Task("Walk")->ModifiedDateTime), "");
}

} // namespace
