// Boxes shown where an edit, a selection or a page is changing, and typing still pending when
// Undo, Redo, New or Open comes: nothing crashes, nothing typed is lost, nothing is asked twice
// or about an outline the user let go.
#include "ui/places/PlacesWindowFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QToolButton>

#include <filesystem>

namespace {

class BoxesAndPendingTypingTest : public TPlacesWindowFixture {
protected:
    // What was shown or asked since Mark.
    Names ShownSince(size_t Mark) const { return Names(services.Shown.begin() + long(Mark), services.Shown.end()); }
    QPlainTextEdit* CaptionBox() const { return Named<QPlainTextEdit>(*window, "memTaskCaption"); }
    QLineEdit* PlacesEdit() const { return Named<QLineEdit>(*window, "edTaskPlaces"); }
    // Clicks into an editor and types at the end of its text.
    void TypeAtEnd(QWidget* editor, const char* text)
    {
        Type(editor, "", false);
        Keys(Qt::Key_End);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    std::string Captions() const
    {
        std::string text;
        for (const auto& place : *window->State().DataBase->PlacesList)
            text += (text.empty() ? "" : ",") + place->Caption;
        return text;
    }
};

TEST_F(BoxesAndPendingTypingTest, ARefusedRenameEndsItsEditFirstHoweverTheEditEnds)
{
    const std::string refusal = "Can not rename place \"Outdoors\" to \"Home\": place \"Home\" has this caption.";
    TTreeViewCheckBoxes* list = window->Part<TPlacePanel>().lvPlaces();
    struct Case {
        const char* Name;
        std::function<void()> End;
        Names Shown;
    };
    const std::vector<Case> cases = {
        {"Enter", [this] { Keys(Qt::Key_Return); }, {refusal}},
        {"F2", [this] { Keys(Qt::Key_F2); }, {refusal}},
        {"Esc", [this] { Keys(Qt::Key_Escape); }, {}},
        {"a click on another place", [this] { ClickPlace(city); }, {refusal}},
        {"a page switch", [this] { ClickTab("Outline"); }, {refusal}},
        {"a save", [this] { SaveAndRead(); }, {refusal}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ClickTab("Places");
        ClickPlace(outdoors);
        Keys(Qt::Key_Return);  // the list's editor opens
        ASSERT_TRUE(list->IsEditing());
        Keys(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "Home");
        const size_t mark = services.Shown.size();
        c.End();
        Settle();
        EXPECT_EQ(ShownSince(mark), c.Shown);
        EXPECT_FALSE(list->IsEditing());
        EXPECT_EQ(outdoors->Caption, "Outdoors");
        EXPECT_EQ(window->Part<TPlacePanel>().FindPlaceListItem(list, outdoors)->text(0), "Outdoors");
    }
    // The new place's editor and the Place box refuse the same way.
    ClickTab("Places");
    window->Part<TPlacePanel>().actNewPlace()->trigger();
    QTest::keyClicks(QApplication::focusWidget(), "Home");
    size_t mark = services.Shown.size();
    Keys(Qt::Key_Return);
    Settle();
    EXPECT_EQ(ShownSince(mark), Names{"Can not rename place \"New place\" to \"Home\": place \"Home\" has this caption."});
    ClickPlace(outdoors);
    Type(window->Part<TPlacePanel>().memPlaceCaption(), "Home", true);
    mark = services.Shown.size();
    ClickTab("Outline");
    Settle();
    EXPECT_EQ(ShownSince(mark), Names{refusal});
    EXPECT_EQ(Captions(), "Outdoors,Home,City,Town,Shop,Office,Phone,New place");
    Keys(Qt::Key_S, Qt::ControlModifier);
    TTovrinDataBase saved;
    TFileStream in(File("saved1.tvd"), TFileMode::fmOpenRead);
    saved.LoadFromStream(in, "");
    EXPECT_EQ(saved.PlacesList->CaptionsText({outdoors->PlaceID, city->PlaceID}), "Outdoors; City");
    EXPECT_EQ(saved.PlacesList->Count(), 8);
}

// One Undo takes back one thing: typing left pending is written as a step of its own first.
TEST_F(BoxesAndPendingTypingTest, UndoAndRedoTakeBackAndBringBackPendingTypingAsOneStep)
{
    ClickTask("Walk");
    QTest::mouseClick(Named<QToolButton>(*window, "sbUpPriority"), Qt::LeftButton);  // Walk's own step
    const int walkImportance = Task("Walk")->Importance;
    struct Step {
        const char* Name;
        std::function<void()> Act;
        std::string Errand;  // Errand's caption, as the outline and the panel hold it
    };
    const auto clickErrand = [this] {
        TTreeViewCheckBoxes* tree = window->Part<TOutlineViews>().tvTasksTree();
        ClickBesideLabel(tree, window->Part<TTreeEditing>().FindTaskNode(tree, Root()->Children[2]));
    };
    const auto typeAndLeave = [this, clickErrand](const char* text) {
        return [this, clickErrand, text] {
            TypeAtEnd(CaptionBox(), text);
            clickErrand();  // beside the same row: nothing is written
        };
    };
    const auto key = [this](Qt::KeyboardModifiers modifiers) { return [this, modifiers] { Keys(Qt::Key_Z, modifiers); }; };
    const std::vector<Step> steps = {
        {"select Errand", clickErrand, "Errand|Errand"},
        {"type and leave the box", typeAndLeave("MINE"), "Errand|ErrandMINE"},
        {"undo takes back the typing only", key(Qt::ControlModifier), "Errand|Errand"},
        {"redo brings it back", key(Qt::ControlModifier | Qt::ShiftModifier), "ErrandMINE|ErrandMINE"},
        {"undo it again", key(Qt::ControlModifier), "Errand|Errand"},
        {"type other text and leave the box", typeAndLeave("2"), "Errand|Errand2"},
        {"redo keeps that typing", key(Qt::ControlModifier | Qt::ShiftModifier), "Errand2|Errand2"},
        {"undo takes it back", key(Qt::ControlModifier), "Errand|Errand"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Act();
        TTaskNode* errand = Root()->Children[2];
        EXPECT_EQ(errand->Caption + "|" + CaptionBox()->toPlainText().toStdString(), step.Errand);
        EXPECT_EQ(Task("Walk")->Importance, walkImportance);
    }
    Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(SaveAndRead()->Root->Children[2]->Caption, "Errand2");
    EXPECT_TRUE(services.Shown.empty());
}

// Typing in a task's places box that would ask about a new place, then New, New demo or Open:
// the outline let go takes the typing with it unasked; Cancel keeps everything and asks no more.
TEST_F(BoxesAndPendingTypingTest, AnOutlineLetGoAsksNothingAboutItsPendingTyping)
{
    const std::string save = "Do you want to save the changes?", create = "Place \"Hom\" not found. Create new place?";
    std::filesystem::copy_file(std::string(TOVRIN_TESTS_DIR) + "/../app/DemoData.dat", File("bin/DemoData.dat"));
    {
        TTovrinDataBase other;
        other.Root->AddChild("Other", -1);
        TFileStream out(File("other.tvd"), TFileMode::fmCreate);
        other.SaveToStream(out, "", 3);
    }
    struct Case {
        const char* Command;
        std::deque<int32_t> Answers;
        Names Shown;
        bool Replaced;
    };
    const std::vector<Case> cases = {
        {"actFileNew", {idNo}, {save}, true},
        {"Newdemofile1", {idNo}, {save}, true},
        {"actOpen", {idNo}, {save}, true},
        {"actFileNew", {idCancel}, {save}, false},
        {"actFileNew", {idYes, idCancel}, {save, create}, false},
        {"actOpen", {idYes, idNo}, {save, create}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Command) + " " + c.Shown.back() + std::to_string(c.Answers.front()));
        window.reset();  // a fresh window for each case
        SetUp();
        ClickTask("Walk");
        TypeAtEnd(PlacesEdit(), "; Hom");
        ClickTask("Walk");
        ASSERT_EQ(PlacesBox(), "Outdoors; Hom");
        ASSERT_TRUE(window->State().Modified);
        services.Answers = c.Answers;
        services.OpenFiles = {File("other.tvd")};
        services.SaveFiles = {File("kept.tvd")};
        const size_t mark = services.Shown.size();
        Named<QAction>(*window, c.Command)->trigger();
        Settle();
        EXPECT_EQ(ShownSince(mark), c.Shown);
        EXPECT_TRUE(services.Answers.empty());
        EXPECT_EQ(Task("Walk") == nullptr, c.Replaced);
        EXPECT_EQ(window->State().DataBase->PlacesList->FindByCaption("Hom"), nullptr);
        if (!c.Replaced) {
            EXPECT_EQ(PlacesBox(), "Outdoors; Hom");
            EXPECT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());
        }
    }
    // Saved on the way, the file holds the outline as it was written then.
    TTovrinDataBase kept;
    TFileStream in(File("kept.tvd"), TFileMode::fmOpenRead);
    kept.LoadFromStream(in, "");
    EXPECT_EQ(kept.PlacesList->CaptionsText(kept.Root->Children[0]->Places), "Outdoors");
}

// Empty fields in the places box name no place; a new one is asked for as trimmed.
TEST_F(BoxesAndPendingTypingTest, EmptyFieldsInThePlacesBoxNameNoPlace)
{
    struct Case {
        const char* Typed;
        std::deque<int32_t> Answers;
        Names Shown;
        std::string Places;
    };
    const std::vector<Case> cases = {
        {"Town;;Phone; ;", {}, {}, "Town; Phone"},
        {";  Garage ;;", {idYes}, {"Place \"Garage\" not found. Create new place?"}, "Garage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Typed);
        ClickTask("Errand");
        Type(PlacesEdit(), c.Typed, true);
        services.Answers = c.Answers;
        const size_t mark = services.Shown.size();
        ClickTask("Walk");
        EXPECT_EQ(ShownSince(mark), c.Shown);
        EXPECT_EQ(PlacesOf("Errand"), c.Places);
    }
    const std::unique_ptr<TTovrinDataBase> saved = SaveAndRead();
    EXPECT_EQ(saved->PlacesList->FindByCaption(""), nullptr);
    EXPECT_EQ(saved->PlacesList->CaptionsText(saved->Root->Children[2]->Places), "Garage");
}

} // namespace

namespace {

// A place question while a caption is edited in the tree: the edit ends before the box shows,
// its caption is kept whatever the answer (a Cancel leaves the write-back half done and the
// typing pending), and nothing is asked twice.
TEST_F(BoxesAndPendingTypingTest, AQuestionWaitsForTheCaptionEditToEnd)
{
    struct Case {
        const char* Name;
        std::function<void()> Leave;
        int32_t Answer;
        std::string Walk;  // Walk's caption and places in the outline
    };
    const std::vector<Case> cases = {
        {"a click on another row, Yes", [this] { ClickTask("House"); }, idYes, "Stroll[Outdoors; Hom]"},
        {"a click on another row, Cancel", [this] { ClickTask("House"); }, idCancel, "Stroll[Outdoors]"},
        {"a page switch, No", [this] { ClickTab("Places"); }, idNo, "Stroll[Outdoors]"},
        {"a page switch, Cancel", [this] { ClickTab("Places"); }, idCancel, "Stroll[Outdoors]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        window.reset();
        SetUp();
        ClickTask("Walk");
        TypeAtEnd(PlacesEdit(), "; Hom");
        ClickTask("Walk");
        Keys(Qt::Key_F2);
        Keys(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "Stroll");
        services.Answers = {c.Answer};
        const size_t mark = services.Shown.size();
        c.Leave();
        Settle();
        EXPECT_EQ(ShownSince(mark), Names{"Place \"Hom\" not found. Create new place?"});
        TTaskNode* walk = Root()->Children[0];
        EXPECT_EQ(walk->Caption + "[" + PlacesOf(walk->Caption) + "]", c.Walk);
        EXPECT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
        if (c.Answer == idCancel)
            EXPECT_EQ(CaptionBox()->toPlainText().toStdString() + "|" + PlacesBox(), "Stroll|Outdoors; Hom");
    }
}

} // namespace
