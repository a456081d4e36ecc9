// The Places page and the place panel: new places, renaming in the list and in the panel,
// included places and notes written at the next flush, deletion with undo, refused selection.
#include "ui/todo/TodoTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

class PlacePanelTest : public TodoFixture {
protected:
    void SetUp() override
    {
        TodoFixture::SetUp();
        ShowPage(window->Part<TMainPages>().tshPlaces());
    }
    void SelectPlace(const TTaskPlace* place) { window->Part<TPlacePanel>().lvPlaces()->setCurrentItem(PlaceItem(place)); }
    QTreeWidgetItem* Included(const TTaskPlace* place) const
    {
        return window->Part<TPlacePanel>().FindPlaceListItem(window->Part<TPlacePanel>().lvIncludedPlaces(), place);
    }
};

TEST_F(PlacePanelTest, TheListShowsEveryPlaceAndTheIncludedListAllOthersWithChecks)
{
    EXPECT_EQ(Texts(window->Part<TPlacePanel>().lvPlaces()), (Names{"Home", "Office", "Kitchen"}));
    SelectPlace(home);
    EXPECT_EQ(window->State().CurrentPlace, home);
    EXPECT_TRUE(Named<QWidget>(*window, "pnlPlaceProps")->isVisibleTo(window.get()));
    EXPECT_FALSE(Named<QWidget>(*window, "pnlTaskProps")->isVisibleTo(window.get()));
    EXPECT_EQ(window->Part<TPlacePanel>().memPlaceCaption()->toPlainText().toStdString(), "Home");
    EXPECT_EQ(Texts(window->Part<TPlacePanel>().lvIncludedPlaces()), (Names{"Kitchen", "Office"}));  // sorted, without Home
    EXPECT_EQ(Included(kitchen)->checkState(0), Qt::Checked);
    EXPECT_EQ(Included(office)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(window->State().Modified);  // showing a place is no edit
}

TEST_F(PlacePanelTest, NewPlacesAreCalledNewPlaceGetFreshIDsAndStartInCaptionEditing)
{
    window->Part<TPlacePanel>().actNewPlace()->trigger();
    EXPECT_TRUE(window->Part<TPlacePanel>().lvPlaces()->IsEditing());
    window->Part<TPlacePanel>().actNewPlace()->trigger();  // ends the first editing
    ASSERT_EQ(window->State().DataBase->PlacesList->Count(), 5);
    TTaskPlace* first = (*window->State().DataBase->PlacesList)[3];
    TTaskPlace* second = (*window->State().DataBase->PlacesList)[4];
    EXPECT_EQ(first->Caption, "New place");
    EXPECT_EQ(second->Caption, "New place");
    EXPECT_GT(second->PlaceID, first->PlaceID);
    EXPECT_GT(first->PlaceID, kitchen->PlaceID);
    EXPECT_TRUE(window->State().Modified);
    EXPECT_TRUE(window->Part<TPlacePanel>().PlacesListsStale());
    ASSERT_TRUE(window->Part<TPlacePanel>().lvPlaces()->IsEditing());
    EXPECT_EQ(TPlacePanel::ItemPlace(window->Part<TPlacePanel>().lvPlaces()->EditingItem()), second);

    QLineEdit* editor = window->Part<TPlacePanel>().lvPlaces()->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("  Garage "));
    SendKey(editor, Qt::Key_Return);
    EXPECT_EQ(second->Caption, "Garage");
    EXPECT_EQ(PlaceItem(second)->text(0).toStdString(), "Garage");
    EXPECT_EQ(window->Part<TPlacePanel>().memPlaceCaption()->toPlainText().toStdString(), "Garage");
}

TEST_F(PlacePanelTest, NewPlaceActsOnlyOnThePlacesPageWithEditingEnabled)
{
    ShowPage(window->Part<TMainPages>().tshOutline());
    window->Part<TPlacePanel>().actNewPlace()->trigger();
    EXPECT_EQ(window->State().DataBase->PlacesList->Count(), 3);
    window->SetEditingEnabled(false);
    EXPECT_FALSE(window->Part<TPlacePanel>().actNewPlace()->isEnabled());
    window->SetEditingEnabled(true);
    EXPECT_TRUE(window->Part<TPlacePanel>().actNewPlace()->isEnabled());
}

TEST_F(PlacePanelTest, TypingTheCaptionRenamesTheItemAtOnceAndThePlaceAtTheNextFlush)
{
    SelectPlace(office);
    window->Part<TPlacePanel>().memPlaceCaption()->setPlainText(QStringLiteral("  Desk "));
    EXPECT_EQ(PlaceItem(office)->text(0).toStdString(), "  Desk ");
    EXPECT_EQ(office->Caption, "Office");
    EXPECT_TRUE(window->Part<TPlacePanel>().IsPlaceDirty());
    EXPECT_TRUE(window->State().Modified);
    SelectPlace(home);
    EXPECT_EQ(office->Caption, "Desk");
    EXPECT_FALSE(window->Part<TPlacePanel>().IsPlaceDirty());
    EXPECT_TRUE(window->Part<TPlacePanel>().PlacesListsStale());
    ShowPage(window->Part<TMainPages>().tshToDoList());  // the filter learns the new name
    EXPECT_GE(window->Part<TToDoPage>().ToDoFilter().cbPlaces()->findText(QStringLiteral("Desk")), 1);
}

TEST_F(PlacePanelTest, APlaceTypedInTheTaskPanelIsMadeAndListedAsThePlacesPageShowsOrCancelKeepsTheOutline)
{
    ShowPage(window->Part<TMainPages>().tshOutline());
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Read"));
    Named<QLineEdit>(*window, "edTaskPlaces")->setText(QStringLiteral("Garage"));
    services.Answers = {idCancel};
    ShowPage(window->Part<TMainPages>().tshPlaces());  // the task is written back as the page changes
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(window->State().DataBase->PlacesList->FindByCaption("Garage"), nullptr);
    EXPECT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());

    services.Answers = {idYes};
    ShowPage(window->Part<TMainPages>().tshPlaces());
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshPlaces());
    ASSERT_NE(window->State().DataBase->PlacesList->FindByCaption("Garage"), nullptr);
    EXPECT_EQ(Texts(window->Part<TPlacePanel>().lvPlaces()), (Names{"Home", "Office", "Kitchen", "Garage"}));
    EXPECT_FALSE(window->Part<TPlacePanel>().PlacesListsStale());
    EXPECT_EQ(services.Shown.size(), 2u);  // the two questions; the cancelled one shows no error
}

TEST_F(PlacePanelTest, ChangedInclusionsAreStoredWhenAnotherPlaceIsSelected)
{
    SelectPlace(home);
    Included(kitchen)->setCheckState(0, Qt::Unchecked);
    Included(office)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(home->IncludedPlaces, (std::vector<int32_t>{kitchen->PlaceID}));
    SelectPlace(kitchen);
    EXPECT_EQ(home->IncludedPlaces, (std::vector<int32_t>{office->PlaceID}));
}

TEST_F(PlacePanelTest, NotesAreWrittenWhenThePageChanges)
{
    SelectPlace(kitchen);
    window->Part<TPlacePanel>().PlaceNotesEditor()->setPlainText(QStringLiteral("stove\nsink"));
    EXPECT_TRUE(window->State().Modified);
    EXPECT_EQ(kitchen->PlaceNote, "");
    ShowPage(window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(kitchen->PlaceNote, "stove\nsink\n");
    ShowPage(window->Part<TMainPages>().tshPlaces());
    SelectPlace(home);
    SelectPlace(kitchen);
    EXPECT_EQ(window->Part<TPlacePanel>().PlaceNotesEditor()->toPlainText().toStdString(), "stove\nsink\n");
}

TEST_F(PlacePanelTest, F2StartsCaptionEditingAndF2AgainEndsIt)
{
    SelectPlace(kitchen);
    SendKey(window->Part<TPlacePanel>().lvPlaces(), Qt::Key_F2);
    ASSERT_TRUE(window->Part<TPlacePanel>().lvPlaces()->IsEditing());
    QLineEdit* editor = window->Part<TPlacePanel>().lvPlaces()->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Scullery"));
    EXPECT_FALSE(window->State().Modified);
    SendKey(editor, Qt::Key_F2);
    EXPECT_FALSE(window->Part<TPlacePanel>().lvPlaces()->IsEditing());
    EXPECT_EQ(kitchen->Caption, "Scullery");
    EXPECT_TRUE(window->State().Modified);  // a rename in the list reaches the file
    EXPECT_EQ(window->Part<TPlacePanel>().memPlaceCaption()->toPlainText().toStdString(), "Scullery");
}

// In one-click edit mode a click on a place's label edits it, the caret where the click was;
// a click beside the label only selects.
TEST_F(PlacePanelTest, AClickOnALabelEditsItWithTheCaretWhereTheClickWasAndBesideItOnlySelects)
{
    TTreeViewCheckBoxes* list = window->Part<TPlacePanel>().lvPlaces();
    QRect label = list->LabelRect(PlaceItem(kitchen));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(label.left() + 1, label.center().y()));
    ASSERT_TRUE(list->IsEditing());
    EXPECT_EQ(window->State().CurrentPlace, kitchen);
    EXPECT_EQ(list->InPlaceEditor()->cursorPosition(), 0);
    SendKey(list->InPlaceEditor(), Qt::Key_Escape);

    label = list->LabelRect(PlaceItem(office));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(label.right() - 1, label.center().y()));
    ASSERT_TRUE(list->IsEditing());
    EXPECT_EQ(list->InPlaceEditor()->cursorPosition(), 6);  // after "Office"
    EXPECT_FALSE(list->InPlaceEditor()->hasSelectedText());
    SendKey(list->InPlaceEditor(), Qt::Key_Escape);

    // Right of the label a click selects the place without editing it.
    label = list->LabelRect(PlaceItem(home));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(label.right() + 20, label.center().y()));
    EXPECT_EQ(window->State().CurrentPlace, home);
    EXPECT_FALSE(list->IsEditing());
}

TEST_F(PlacePanelTest, DeletingAPlaceEmptiesThePanelAndUndoBringsItBack)
{
    SelectPlace(office);
    window->Part<TPlacePanel>().memPlaceCaption()->setPlainText(QStringLiteral("Desk"));  // pending when deleted
    window->Part<TPlacePanel>().actDeletePlace()->trigger();
    EXPECT_EQ(window->State().DataBase->PlacesList->FindByID(office->PlaceID), nullptr);
    EXPECT_EQ(window->State().CurrentPlace, nullptr);
    EXPECT_EQ(PlaceItem(office), nullptr);
    EXPECT_FALSE(Named<QWidget>(*window, "pnlRight")->isVisibleTo(window.get()));
    EXPECT_TRUE(window->State().Modified);
    ASSERT_TRUE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
    ShowPage(window->Part<TMainPages>().tshOutline());
    window->Part<TUndoNavigation>().actUndo()->trigger();  // brings the Places page back with the place selected
    ASSERT_EQ(window->State().DataBase->PlacesList->FindByID(office->PlaceID), office);
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshPlaces());
    EXPECT_EQ(window->State().CurrentPlace, office);
    EXPECT_EQ(office->Caption, "Desk");  // the edit was written before the place left
    EXPECT_NE(PlaceItem(office), nullptr);
    // Tasks kept the place's ID, so their places text names it again.
    EXPECT_EQ(window->State().DataBase->PlacesList->CaptionsText(call->Places), "Desk");
}

TEST_F(PlacePanelTest, RedoingADeletionLetsGoOfThePlace)
{
    SelectPlace(office);
    window->Part<TPlacePanel>().actDeletePlace()->trigger();
    window->Part<TUndoNavigation>().actUndo()->trigger();
    ASSERT_EQ(window->State().CurrentPlace, office);
    window->Part<TUndoNavigation>().actRedo()->trigger();
    EXPECT_EQ(window->State().DataBase->PlacesList->FindByID(office->PlaceID), nullptr);
    EXPECT_EQ(window->State().CurrentPlace, nullptr);
    EXPECT_EQ(PlaceItem(office), nullptr);
}

TEST_F(PlacePanelTest, DeleteNeedsACurrentPlace)
{
    window->Part<TPlacePanel>().actDeletePlace()->trigger();
    EXPECT_EQ(window->State().DataBase->PlacesList->Count(), 3);
    EXPECT_FALSE(window->State().Modified);
}

TEST_F(PlacePanelTest, CancellingThePendingTaskWriteBackRefusesTheSelection)
{
    ShowPage(window->Part<TMainPages>().tshOutline());
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("Read"));
    ShowPage(window->Part<TMainPages>().tshPlaces());
    Named<QLineEdit>(*window, "edTaskPlaces")->setText(QStringLiteral("Nowhere"));
    ASSERT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());
    services.Answers = {idCancel};
    SelectPlace(office);
    EXPECT_EQ(window->State().CurrentPlace, nullptr);
    EXPECT_EQ(window->Part<TPlacePanel>().lvPlaces()->currentItem(), nullptr);
    EXPECT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());  // the edits stay pending
    ASSERT_EQ(services.Shown.size(), 1u);  // the question only; the silent abort shows nothing
}

} // namespace
