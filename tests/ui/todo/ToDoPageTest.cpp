// The To-Do page: the list for a place and a date, auto-update, the places filter, selection
// across pages, the commands that depend on page and view, and the filter kept with the outline.
#include "TodoTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "platform/DateTime.h"

namespace {

using ToDoPageTest = TodoFixture;

TEST_F(ToDoPageTest, EnteringThePageListsTheOpenLeavesWithTheirTasksAndCheckMarks)
{
    EXPECT_EQ(window->Part<TToDoPage>().tvToDo()->topLevelItemCount(), 0);  // not kept while another page shows
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_EQ(ToDoNames(), (Names{"Call", "Cook", "Dig", "Plant", "Read"}));
    for (int i = 0; i < window->Part<TToDoPage>().tvToDo()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = window->Part<TToDoPage>().tvToDo()->topLevelItem(i);
        const TTaskNode* task = TTreeEditing::NodeTask(node);
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->Caption, node->text(0).toStdString());
        EXPECT_FALSE(TTreeViewCheckBoxes::GetChecked(node));
        EXPECT_EQ(node->childCount(), 0);
    }
    EXPECT_EQ(ToDoNode(read)->text(0).toStdString(), "Read");
}

TEST_F(ToDoPageTest, NothingIsComputedWhileTheToDoPageIsSwitchedOff)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    window->Part<TWindowOptions>().SetShowToDoSheet(false);
    window->State().DataBase->Root->AddChild("Later", -1);
    window->Part<TToDoPage>().RebuildToDoList();
    EXPECT_EQ(window->Part<TToDoPage>().tvToDo()->topLevelItemCount(), 5);
}

TEST_F(ToDoPageTest, APlaceFilterListsTasksOfThatPlaceAndOfThePlacesItIncludes)
{
    ASSERT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->count(), 4);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->itemText(0).toStdString(), "<all places>");
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->itemText(1).toStdString(), "Home");
    ShowPage(window->Part<TMainPages>().tshToDoList());
    SelectFilter(home);
    EXPECT_EQ(ToDoNames(), (Names{"Cook"}));  // through Kitchen; a task without places never matches
    SelectFilter(office);
    EXPECT_EQ(ToDoNames(), (Names{"Call"}));
    SelectFilter(nullptr);
    EXPECT_EQ(ToDoNames().size(), 5u);
}

TEST_F(ToDoPageTest, RefillingTheFilterKeepsThePlaceAndADeletedPlaceLeavesItUnfiltered)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    SelectFilter(home);  // the first place of the list
    window->Part<TToDoPage>().ToDoFilter().FillPlacesFilter();
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->currentText().toStdString(), "Home");

    ShowPage(window->Part<TMainPages>().tshPlaces());
    window->Part<TPlacePanel>().lvPlaces()->setCurrentItem(PlaceItem(home));
    ASSERT_EQ(window->State().CurrentPlace, home);
    window->Part<TPlacePanel>().actDeletePlace()->trigger();
    ASSERT_EQ(window->State().DataBase->PlacesList->FindByID(home->PlaceID), nullptr);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->currentIndex(), -1);  // refilled without the place: no item
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_LE(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->currentIndex(), 0);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->count(), 3);
    EXPECT_EQ(ToDoNames().size(), 5u);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().ToDoFilterPlace(), nullptr);
}

TEST_F(ToDoPageTest, TheClosedPanelComputesForNowTheOpenOneForTheEndOfTheChosenDay)
{
    TClockOverride clock(45000.25);  // six in the morning
    TTaskNode* evening = window->State().DataBase->Root->AddChild("Evening", -1);
    evening->SetDueDateTime(45000 + 22 / 24.0);
    evening->SetLeadTime(0);
    int y = 0, m = 0, d = 0;
    DecodeDate(45000, y, m, d);
    {
        TUILock lock = window->LockUI();
        window->Part<TToDoPage>().ToDoFilter().dtToDoDate()->setDate(QDate(y, m, d));
    }
    window->Part<TWindowOptions>().SetShowPlaces(false);  // alone in its row, the filter button stays at the left
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_EQ(ToDoNode(evening), nullptr);
    QApplication::processEvents();
    EXPECT_LT(window->Part<TToDoPage>().ToDoFilter().sbToDoFilter()->x(), window->Part<TToDoPage>().ToDoFilter().pnlTodoFilter()->width() / 4);
    QTest::mouseClick(window->Part<TToDoPage>().ToDoFilter().sbToDoFilter(), Qt::LeftButton);
    EXPECT_TRUE(window->Part<TToDoPage>().ToDoFilter().IsToDoFilterPanelOpen());
    EXPECT_TRUE(window->Part<TToDoPage>().ToDoFilter().dtToDoDate()->isVisibleTo(window.get()));
    EXPECT_NE(ToDoNode(evening), nullptr);
    window->Part<TToDoPage>().ToDoFilter().dtToDoDate()->setDate(QDate(y, m, d).addDays(-1));  // the day before: not yet current
    EXPECT_EQ(ToDoNode(evening), nullptr);
    window->Part<TWindowOptions>().AdvancedOptions1Click();  // Ctrl+P closes the panel on the To-Do page
    EXPECT_FALSE(window->Part<TToDoPage>().ToDoFilter().IsToDoFilterPanelOpen());
    EXPECT_FALSE(window->Part<TToDoPage>().ToDoFilter().sbToDoFilter()->isChecked());
    EXPECT_EQ(ToDoNode(evening), nullptr);
}

TEST_F(ToDoPageTest, WithAutoUpdateOffACheckMarkWaitsForUpdateToDo)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_FALSE(window->Part<TToDoPage>().ToDoFilter().btnToDoUpdateNow()->isVisibleTo(window.get()));
    window->Part<TToDoPage>().ToDoFilter().cbToDoAutoUpdate()->setChecked(false);
    EXPECT_TRUE(window->Part<TToDoPage>().ToDoFilter().btnToDoUpdateNow()->isVisibleTo(window.get()));
    ToDoNode(read)->setCheckState(0, Qt::Checked);
    EXPECT_NE(read->CompletionDateTime, 0);
    EXPECT_NE(ToDoNode(read), nullptr);
    window->Part<TToDoPage>().ToDoFilter().btnToDoUpdateNow()->click();
    EXPECT_EQ(ToDoNode(read), nullptr);

    window->Part<TToDoPage>().ToDoFilter().cbToDoAutoUpdate()->setChecked(true);
    EXPECT_FALSE(window->Part<TToDoPage>().ToDoFilter().btnToDoUpdateNow()->isVisibleTo(window.get()));
    ToDoNode(call)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(ToDoNode(call), nullptr);
}

TEST_F(ToDoPageTest, ACurrentTaskWithoutEntrySelectsItsListedSubtasks)
{
    Select("Garden");
    ASSERT_EQ(window->State().CurrentTask, garden);
    ShowPage(window->Part<TMainPages>().tshToDoList());
    Names selected;
    for (QTreeWidgetItem* node : window->Part<TToDoPage>().tvToDo()->selectedItems())
        selected.push_back(node->text(0).toStdString());
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (Names{"Dig", "Plant"}));
    EXPECT_EQ(window->State().CurrentTask, garden);
}

TEST_F(ToDoPageTest, EnteringThePageFocusesTheListOrThePagesWhenSubtasksStandForTheTask)
{
    Select("Read");
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_EQ(window->focusWidget(), window->Part<TToDoPage>().tvToDo());

    ShowPage(window->Part<TMainPages>().tshOutline());
    Select("Garden");
    ShowPage(window->Part<TMainPages>().tshToDoList());
    QWidget* pages = window->Part<TMainPages>().pcMainPages()->focusProxy() ? window->Part<TMainPages>().pcMainPages()->focusProxy() : window->Part<TMainPages>().pcMainPages();
    EXPECT_EQ(window->focusWidget(), pages);
}

TEST_F(ToDoPageTest, UpdateToDoWritesTheCaptionBeingTypedBackFirst)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    window->Part<TToDoPage>().ToDoFilter().cbToDoAutoUpdate()->setChecked(false);
    window->Part<TToDoPage>().tvToDo()->setCurrentItem(ToDoNode(read));
    ASSERT_EQ(window->State().CurrentTask, read);
    Named<QPlainTextEdit>(*window, "memTaskCaption")->moveCursor(QTextCursor::End);
    QTest::keyClicks(Named<QPlainTextEdit>(*window, "memTaskCaption"), " more");
    QTest::mouseClick(window->Part<TToDoPage>().ToDoFilter().btnToDoUpdateNow(), Qt::LeftButton);
    EXPECT_EQ(read->Caption, "Read more");
    ASSERT_NE(ToDoNode(read), nullptr);
    EXPECT_EQ(ToDoNode(read)->text(0).toStdString(), "Read more");
}

TEST_F(ToDoPageTest, BackToATaskWithoutEntryReplacesASelectAllBySubtasks)
{
    Select("Garden");
    ShowPage(window->Part<TMainPages>().tshToDoList());
    window->Part<TToDoPage>().tvToDo()->setCurrentItem(ToDoNode(call));
    ASSERT_EQ(window->State().CurrentTask, call);
    window->Part<TToDoPage>().actSelectAllInToDo()->trigger();
    window->Part<TUndoNavigation>().sbBack()->click();
    ASSERT_EQ(window->State().CurrentTask, garden);
    Names selected;
    for (QTreeWidgetItem* node : window->Part<TToDoPage>().tvToDo()->selectedItems())
        selected.push_back(node->text(0).toStdString());
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (Names{"Dig", "Plant"}));
}

TEST_F(ToDoPageTest, TheSelectionFollowsTheCurrentTaskAcrossPages)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    window->Part<TToDoPage>().tvToDo()->setCurrentItem(ToDoNode(call));
    ASSERT_EQ(window->State().CurrentTask, call);
    ShowPage(window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(TTreeEditing::NodeTask(window->Part<TOutlineViews>().tvTasksTree()->currentItem()), call);
    ShowPage(window->Part<TMainPages>().tshToDoList());
    ASSERT_EQ(window->Part<TToDoPage>().tvToDo()->selectedItems().size(), 1);
    EXPECT_EQ(TTreeEditing::NodeTask(window->Part<TToDoPage>().tvToDo()->selectedItems().front()), call);
}

TEST_F(ToDoPageTest, TheTaskPanelComesBackAfterThePlacePanelWasEmptied)
{
    Select("Read");
    ShowPage(window->Part<TMainPages>().tshPlaces());
    window->Part<TPlacePanel>().lvPlaces()->setCurrentItem(PlaceItem(office));
    window->Part<TPlacePanel>().SetCurrentPlace(nullptr);
    EXPECT_FALSE(Named<QWidget>(*window, "pnlRight")->isVisibleTo(window.get()));
    ShowPage(window->Part<TMainPages>().tshOutline());
    EXPECT_TRUE(Named<QWidget>(*window, "pnlRight")->isVisibleTo(window.get()));
    EXPECT_TRUE(Named<QWidget>(*window, "pnlTaskProps")->isVisibleTo(window.get()));
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText().toStdString(), "Read");
}

TEST_F(ToDoPageTest, TaskCommandsWorkOnlyInAllTasksOnTheOutlinePage)
{
    QAction* import = window->findChild<QAction*>(QStringLiteral("actImport"));
    EXPECT_TRUE(Named<QAction>(*window, "actNewTask")->isEnabled());
    if (import) {
        EXPECT_TRUE(import->isEnabled());
    }
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_FALSE(Named<QAction>(*window, "actNewTask")->isEnabled());
    EXPECT_FALSE(Named<QAction>(*window, "actNewSubTask")->isEnabled());
    EXPECT_FALSE(Named<QAction>(*window, "actDeleteTask")->isEnabled());
    if (import) {
        EXPECT_FALSE(import->isEnabled());
    }
    ShowPage(window->Part<TMainPages>().tshOutline());
    window->Part<TOutlineViews>().SetTaskTreeView(ViewGoals);
    EXPECT_FALSE(Named<QAction>(*window, "actNewTask")->isEnabled());
    EXPECT_FALSE(Named<QAction>(*window, "actDeleteTask")->isEnabled());

    // Ins finds both new-task commands disabled; no task and no place comes of it.
    const int tasks = window->State().DataBase->Root->Children.Count();
    const int places = window->State().DataBase->PlacesList->Count();
    Dispatch(QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(window->State().DataBase->Root->Children.Count(), tasks);
    EXPECT_EQ(window->State().DataBase->PlacesList->Count(), places);
}

TEST_F(ToDoPageTest, OnThePlacesPageInsAddsAPlaceAndCtrlDelDeletesIt)
{
    ShowPage(window->Part<TMainPages>().tshPlaces());
    ASSERT_TRUE(Dispatch(QKeySequence(Qt::Key_Insert)));
    ASSERT_EQ(window->State().DataBase->PlacesList->Count(), 4);
    TTaskPlace* added = (*window->State().DataBase->PlacesList)[3];
    EXPECT_EQ(added->Caption, "New place");
    window->Part<TTreeEditing>().EndInPlaceEditing();
    ASSERT_EQ(window->State().CurrentPlace, added);
    ASSERT_TRUE(Dispatch(QKeySequence(QStringLiteral("Ctrl+Del"))));
    EXPECT_EQ(window->State().DataBase->PlacesList->Count(), 3);
    EXPECT_EQ(window->State().CurrentPlace, nullptr);
}

TEST_F(ToDoPageTest, FilterPlaceAndAutoUpdateAreKeptWithTheOutline)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    SelectFilter(office);
    window->Part<TToDoPage>().ToDoFilter().cbToDoAutoUpdate()->setChecked(false);
    const std::string name = dir.File("filter.tvd");
    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveToFile(name));
    EXPECT_EQ(window->State().DataBase->ToDoPlaceFilterID, office->PlaceID);
    EXPECT_FALSE(window->State().DataBase->ToDoAutoUpdate);
    window.reset();

    window = Make();
    window->Part<TDocumentLifecycle>().OpenDocument(name);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->currentText().toStdString(), "Office");
    EXPECT_FALSE(window->Part<TToDoPage>().ToDoFilter().cbToDoAutoUpdate()->isChecked());
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_TRUE(window->Part<TToDoPage>().ToDoFilter().btnToDoUpdateNow()->isVisibleTo(window.get()));
    EXPECT_EQ(ToDoNames(), (Names{"Call"}));

    SelectFilter(nullptr);
    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveToFile(name));
    EXPECT_EQ(window->State().DataBase->ToDoPlaceFilterID, -10);
}

TEST_F(ToDoPageTest, ANewOutlineLeavesNoPlaceOfTheOldOneInTheLists)
{
    ShowPage(window->Part<TMainPages>().tshToDoList());
    SelectFilter(kitchen);
    window->Part<TDocumentLifecycle>().NewEmptyDocument();
    EXPECT_EQ(window->Part<TPlacePanel>().lvPlaces()->topLevelItemCount(), 0);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->count(), 1);
    EXPECT_EQ(window->Part<TToDoPage>().ToDoFilter().ToDoFilterPlace(), nullptr);
    ShowPage(window->Part<TMainPages>().tshToDoList());
    EXPECT_EQ(Texts(window->Part<TToDoPage>().tvToDo()), (Names{"New Task"}));
}

} // namespace
