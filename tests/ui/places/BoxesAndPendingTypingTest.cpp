// Boxes where an edit, a selection or a page is changing, and typing still pending when Undo,
// Redo, New or Open comes: nothing crashes, nothing typed is lost, nothing is asked twice or
// about an outline the user let go. (The scripted boxes fail a box shown over a running edit.)
#include "ui/places/PlacesWindowFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QToolButton>

#include <filesystem>

namespace {

class BoxesAndPendingTypingTest : public TPlacesWindowFixture {
protected:
    Names ShownSince(size_t Mark) const { return Names(services.Shown.begin() + long(Mark), services.Shown.end()); }
    QPlainTextEdit* CaptionBox() const { return Named<QPlainTextEdit>(*window, "memTaskCaption"); }
    void TypeAtEnd(QWidget* editor, const char* text)
    {
        Type(editor, "", false);
        Keys(Qt::Key_End);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    // "; Hom" typed into Walk's places box and left pending.
    void TypeUnknownPlaceForWalk()
    {
        window.reset();  // a fresh window
        SetUp();
        ClickTask("Walk");
        TypeAtEnd(Named<QLineEdit>(*window, "edTaskPlaces"), "; Hom");
        ClickTask("Walk");
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    // File > New answered; a message put off behind the question looks again a moment later.
    void NewAnswered(int32_t Answer)
    {
        services.Answers = {Answer};
        Named<QAction>(*window, "actFileNew")->trigger();
        QTest::qWait(200);
    }
    const std::string save = "Do you want to save the changes?";
};

const std::string createHom = "Place \"Hom\" not found. Create new place?";

TEST_F(BoxesAndPendingTypingTest, ARefusedRenameEndsItsEditFirstHoweverTheEditEnds)
{
    const Names refused = {"Can not rename place \"Outdoors\" to \"Home\": place \"Home\" has this caption."};
    TTreeViewCheckBoxes* list = window->Part<TPlacePanel>().lvPlaces();
    const std::vector<std::pair<std::function<void()>, Names>> ends = {
        {[this] { Keys(Qt::Key_Return); }, refused}, {[this] { Keys(Qt::Key_F2); }, refused},
        {[this] { Keys(Qt::Key_Escape); }, {}},      {[this] { ClickPlace(city); }, refused},
        {[this] { ClickTab("Outline"); }, refused},  {[this] { SaveAndRead(); }, refused}};
    for (size_t i = 0; i < ends.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [end, shown] = ends[i];
        ClickTab("Places");
        ClickPlace(outdoors);
        Keys(Qt::Key_Return);  // the list's editor opens
        Keys(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "Home");
        const size_t mark = services.Shown.size();
        end();
        Settle();
        EXPECT_EQ(ShownSince(mark), shown);
        EXPECT_FALSE(list->IsEditing());
        EXPECT_EQ(window->Part<TPlacePanel>().FindPlaceListItem(list, outdoors)->text(0), "Outdoors");
    }
    // The new place's editor refuses the same way.
    ClickTab("Places");
    window->Part<TPlacePanel>().actNewPlace()->trigger();
    QTest::keyClicks(QApplication::focusWidget(), "Home");
    const size_t mark = services.Shown.size();
    Keys(Qt::Key_Return);
    Settle();
    EXPECT_EQ(ShownSince(mark), Names{"Can not rename place \"New place\" to \"Home\": place \"Home\" has this caption."});
    Keys(Qt::Key_S, Qt::ControlModifier);
    TTovrinDataBase saved;
    TFileStream in(File("saved1.tvd"), TFileMode::fmOpenRead);
    saved.LoadFromStream(in, "");
    EXPECT_EQ(saved.PlacesList->Count(), 8);
    EXPECT_TRUE(saved.PlacesList->FindByCaption("Outdoors") && saved.PlacesList->FindByCaption("New place"));
    // A caption typed in the Place box that would be refused goes unannounced with an outline let go.
    ClickPlace(outdoors);
    Type(window->Part<TPlacePanel>().memPlaceCaption(), "Home", true);
    services.Answers = {idNo};
    const size_t before = services.Shown.size();
    Named<QAction>(*window, "actFileNew")->trigger();
    Settle();
    EXPECT_EQ(ShownSince(before), Names{"Do you want to save the changes?"});
    // A command's own question comes first; the refusal waits until that box has closed and goes
    // unshown with the outline let go.
    for (const auto& [answer, shown] : {std::pair{idCancel, Names{save, refused.front()}}, std::pair{idNo, Names{save}}}) {
        window.reset();
        SetUp();
        ClickTask("Walk");
        QTest::mouseClick(Named<QToolButton>(*window, "sbUpPriority"), Qt::LeftButton);
        ClickTab("Places");
        ClickPlace(outdoors);
        Keys(Qt::Key_Return);
        Keys(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "Home");
        const size_t asked = services.Shown.size();
        NewAnswered(answer);
        EXPECT_EQ(ShownSince(asked), shown);
    }
}

// One key takes back one thing: typing left pending is written as a step of its own first.
TEST_F(BoxesAndPendingTypingTest, UndoAndRedoTakeBackAndBringBackPendingTypingAsOneStep)
{
    ClickTask("Walk");
    QTest::mouseClick(Named<QToolButton>(*window, "sbUpPriority"), Qt::LeftButton);  // Walk's own step
    TTreeViewCheckBoxes* tree = window->Part<TOutlineViews>().tvTasksTree();
    TTaskNode* errand = Root()->Children[2];
    const auto clickErrand = [&] { ClickBesideLabel(tree, window->Part<TTreeEditing>().FindTaskNode(tree, errand)); };
    const auto typed = [&](const char* text) { return [&, text] {
        TypeAtEnd(CaptionBox(), text);
        clickErrand();
    }; };
    const auto key = [&](Qt::KeyboardModifiers modifiers) { return [&, modifiers] { Keys(Qt::Key_Z, modifiers); }; };
    const Qt::KeyboardModifiers undo = Qt::ControlModifier, redo = Qt::ControlModifier | Qt::ShiftModifier;
    const std::vector<std::pair<std::function<void()>, std::string>> steps = {
        {clickErrand, "Errand|Errand"},  {typed("MINE"), "Errand|ErrandMINE"}, {key(undo), "Errand|Errand"},
        {key(redo), "ErrandMINE|ErrandMINE"}, {key(undo), "Errand|Errand"}, {typed("2"), "Errand|Errand2"},
        {key(redo), "Errand2|Errand2"},  {key(undo), "Errand|Errand"},         {key(redo), "Errand2|Errand2"}};
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [act, expected] = steps[i];
        act();
        EXPECT_EQ(errand->Caption + "|" + CaptionBox()->toPlainText().toStdString(), expected);
        EXPECT_EQ(Task("Walk")->Importance, 75);
    }
    EXPECT_EQ(SaveAndRead()->Root->Children[2]->Caption, "Errand2");
    EXPECT_TRUE(services.Shown.empty());
}

// New, New demo and Open over typing that would ask for a new place: the outline let go takes the
// typing with it unasked; Cancel keeps everything and asks no more.
TEST_F(BoxesAndPendingTypingTest, AnOutlineLetGoAsksNothingAboutItsPendingTyping)
{
    std::filesystem::copy_file(std::string(TOVRIN_TESTS_DIR) + "/../app/DemoData.dat", File("bin/DemoData.dat"));
    {
        TTovrinDataBase other;
        TFileStream out(File("other.tvd"), TFileMode::fmCreate);
        other.SaveToStream(out, "", 3);
    }
    struct Case {
        const char* Command;
        std::deque<int32_t> Answers;
        bool Replaced;
    };
    for (const Case& c : {Case{"actFileNew", {idNo}, true}, Case{"Newdemofile1", {idNo}, true}, Case{"actOpen", {idNo}, true},
                          Case{"actFileNew", {idCancel}, false}, Case{"actFileNew", {idYes, idCancel}, false},
                          Case{"actOpen", {idYes, idNo}, true}}) {
        SCOPED_TRACE(c.Command + std::to_string(c.Answers.size()));
        TypeUnknownPlaceForWalk();
        services.Answers = c.Answers;
        services.OpenFiles = {File("other.tvd")};
        services.SaveFiles = {File("kept.tvd")};
        const size_t mark = services.Shown.size();
        Named<QAction>(*window, c.Command)->trigger();
        Settle();
        EXPECT_EQ(ShownSince(mark), (c.Answers.size() == 1 ? Names{save} : Names{save, createHom}));
        EXPECT_EQ(Task("Walk") == nullptr, c.Replaced);
        EXPECT_EQ(window->State().DataBase->PlacesList->FindByCaption("Hom"), nullptr);
        if (!c.Replaced) {
            EXPECT_EQ(PlacesBox(), "Outdoors; Hom");
        }
    }
    TTovrinDataBase kept;  // saved on the way, as it was written then
    TFileStream in(File("kept.tvd"), TFileMode::fmOpenRead);
    kept.LoadFromStream(in, "");
    EXPECT_EQ(kept.PlacesList->CaptionsText(kept.Root->Children[0]->Places), "Outdoors");
}

// A place question while a caption is edited in the tree comes once the edit has ended; its
// caption is kept whatever the answer (Cancel leaves the typing pending), nothing asked twice.
TEST_F(BoxesAndPendingTypingTest, AQuestionWaitsForTheCaptionEditToEnd)
{
    struct Case {
        const char* Leave;  // the row clicked or the tab
        int32_t Answer;
        std::string Walk;
    };
    for (const Case& c : {Case{"House", idYes, "Stroll[Outdoors; Hom]"}, Case{"House", idCancel, "Stroll[Outdoors]"},
                          Case{"Places", idNo, "Stroll[Outdoors]"}, Case{"Places", idCancel, "Stroll[Outdoors]"}}) {
        SCOPED_TRACE(std::string(c.Leave) + std::to_string(c.Answer));
        TypeUnknownPlaceForWalk();
        Keys(Qt::Key_F2);
        Keys(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "Stroll");
        services.Answers = {c.Answer};
        const size_t mark = services.Shown.size();
        std::string(c.Leave) == "Places" ? ClickTab(c.Leave) : ClickTask(c.Leave);
        Settle();
        EXPECT_EQ(ShownSince(mark), Names{createHom});
        EXPECT_EQ(Root()->Children[0]->Caption + "[" + PlacesOf("Stroll") + "]", c.Walk);
        if (c.Answer == idCancel) {
            EXPECT_EQ(CaptionBox()->toPlainText().toStdString() + "|" + PlacesBox(), "Stroll|Outdoors; Hom");
        }
    }
}

} // namespace
