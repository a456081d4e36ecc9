// Steps a person takes in the window (clicks and keys offscreen), each followed by what the right
// side shows, what the next edit writes and what the saved file holds: a task keeps its places
// unless its places box was edited, a rename the box could not name is refused, the Places page
// never shows a task, the To-Do page shows a task only beside its row, and no pending edit is lost
// to an auto-save, a caption edited in the tree, typing undone or an import.
#include "ui/places/PlacesWindowFixture.h"

#include <QAbstractButton>

#include "platform/StrUtils.h"
#include "ui/exchange/ImportExport.h"
#include "ui/places/PlaceCaptionRules.h"

namespace {

class WhatTheWindowWritesTest : public TPlacesWindowFixture {
protected:
    // The top box of the right side as shown: the place's or the task's caption.
    QPlainTextEdit* TopBox() const
    {
        if (window->Part<TPlacePanel>().memPlaceCaption()->isVisible())
            return window->Part<TPlacePanel>().memPlaceCaption();
        QPlainTextEdit* caption = Named<QPlainTextEdit>(*window, "memTaskCaption");
        return caption->isVisible() ? caption : nullptr;
    }
    void TypeOnTop(const char* text)
    {
        QPlainTextEdit* box = TopBox();
        ASSERT_NE(box, nullptr) << "no box on the right side";
        Type(box, text, true);
    }
    std::string Page() const
    {
        const TMainPages& pages = window->Part<TMainPages>();
        return pages.OutlineShown() ? "Outline" : pages.ToDoShown() ? "ToDo" : "Places";
    }
    // The outline as a file holds it: each task with its places and notes.
    static std::string Contents(const TTovrinDataBase& db)
    {
        std::string text;
        db.Root->ForEachNode(
            [&](void*, TTaskNode* task) {
                if (task->Parent)
                    text += (text.empty() ? "" : " ") + task->Caption + "[" + db.PlacesList->CaptionsText(task->Places) +
                            "]" + (task->Note.Text().empty() ? "" : "'" + Trim(task->Note.Text()) + "'");
            },
            nullptr);
        return text;
    }
    // Saved under a name of its own, also when the outline has one.
    std::string Saved()
    {
        SaveAs(File("saved.tvd"));
        return Read(File("saved.tvd"));
    }
    std::string Read(const std::string& name) const
    {
        TTovrinDataBase db;
        TFileStream in(name, TFileMode::fmOpenRead);
        db.LoadFromStream(in, "");
        return Contents(db);
    }
    void SaveAs(const std::string& name)
    {
        services.SaveFiles = {name};
        window->Part<TDocumentLifecycle>().actSaveAs()->trigger();
    }
    void ClickRow(TTreeViewCheckBoxes* tree, const std::string& caption)
    {
        ClickBesideLabel(tree, window->Part<TTreeEditing>().FindTaskNode(tree, Task(caption)));
    }
    std::string ToDoRows() const
    {
        std::string text;
        const TTreeViewCheckBoxes* todo = window->Part<TToDoPage>().tvToDo();
        for (int i = 0; i < todo->topLevelItemCount(); ++i)
            if (todo->topLevelItem(i)->isSelected())
                text += todo->topLevelItem(i)->text(0).toStdString() + " ";
        return text;
    }
    std::string Refusals() const
    {
        std::string text;
        for (const std::string& shown : services.Shown)
            if (shown.rfind("Can not rename place", 0) == 0)
                text += shown;
        return text;
    }
    // The auto-save timer runs out a few times.
    void AutoSaves()
    {
        TDesktopIntegration& desktop = window->Part<TDesktopIntegration>();
        desktop.SetAutoSaveMode(2);
        desktop.tmrAutoSaveTimer()->setInterval(10);
        QTest::qWait(60);
        desktop.SetAutoSaveMode(0);
    }
    // A button of the window by its text, clicked.
    void ClickButton(const char* text)
    {
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (button->text() == QLatin1String(text) && button->isVisible()) {
                QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
                return;
            }
        ADD_FAILURE() << "no button " << text;
    }
    // Any question or message but a refused rename.
    std::string Asked() const
    {
        std::string text;
        for (const std::string& shown : services.Shown)
            if (shown.rfind("Can not rename place", 0) != 0)
                text += " asked " + shown;
        return text;
    }
    // Places called alike as the box compares them, one holding ";", one without a caption.
    void OpenFileTheBoxCannotName()
    {
        TTovrinDataBase db;
        TTaskPlacesList& places = *db.PlacesList;
        const int32_t home = places.Add("Home")->PlaceID, other = places.Add("home")->PlaceID;
        const int32_t both = places.Add("Town; Shop")->PlaceID, none = places.Add("")->PlaceID;
        db.Root->AddChild("Walk", -1)->Places = {other, both};
        db.Root->AddChild("Cook", -1)->Places = {none, home};
        {
            TFileStream out(File("odd.tvd"), TFileMode::fmCreate);
            db.SaveToStream(out, "", 3);
        }
        services.OpenFiles = {File("odd.tvd")};
        Keys(Qt::Key_O, Qt::ControlModifier);
    }
    // House current, its subtasks' rows highlighted on the To-Do page, when the window opens again.
    void RestartOnToDoPage()
    {
        BuildOutline([](TTaskNode* root) {
            TTaskNode* house = root->AddChild("House", -1);
            house->AddChild("Sweep", -1);
            house->AddChild("Cook", -1);
            root->AddChild("Walk", -1);
        });
        SaveAs(File("restart.tvd"));
        window->close();
        window = Make();
        window->Part<TDocumentLifecycle>().OpenStartupFile();
        ClickTab("ToDo");
    }
    // Renames a place in the list, in its caption editor.
    void RenameInList(const TTaskPlace* place, const char* caption)
    {
        ClickTab("Places");
        ClickPlace(place);
        Keys(Qt::Key_F2);
        QLineEdit* editor = window->Part<TPlacePanel>().lvPlaces()->InPlaceEditor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, caption);
        Keys(Qt::Key_Return);
        QApplication::processEvents();  // a refusal shows once the edit is over
    }
};

struct TStepsCase {
    const char* Name;
    std::function<void()> Steps;
    std::function<std::string()> Shown;  // what the right side shows then
    std::string ShownExpected;
    std::function<std::string()> Written;  // after the next edit
    std::string WrittenExpected;
    std::string SavedExpected;  // the file saved after that
};

TEST_F(WhatTheWindowWritesTest, TheWindowShowsAndWritesWhatTheUserMeans)
{
    const std::string untouched = "Walk[Outdoors] House[Home] Sweep[Home] Cook[Home; Town] Errand[]";
    // An importance click on each task with places: a write-back that leaves the places box alone.
    const auto clickEach = [this] {
        ClickTab("Outline");
        for (const char* caption : {"Walk", "House", "Sweep", "Cook"}) {
            ClickTask(caption);
            EditTask();
        }
        return PlacesOf("Walk") + "|" + PlacesOf("Cook") + Asked();
    };
    const auto placeSide = [this] {
        const TPlacePanel& panel = window->Part<TPlacePanel>();
        const QTreeWidgetItem* listed = panel.FindPlaceListItem(panel.lvPlaces(), window->State().CurrentPlace);
        return Page() + " " + Side() + " (" + (listed ? listed->text(0).toStdString() : "") + ") " + Refusals();
    };
    const auto renameWalkOnTop = [this] {
        TypeOnTop("Stroll");
        ClickTask("Errand");
        return std::string(Task("Stroll") ? "Stroll" : "no Stroll") + " " + phone->Caption;
    };
    const auto savedAfterAutoSave = [this] {
        std::string text = Read(File("auto.tvd")) + " |" + Named<QLineEdit>(*window, "edTaskPlaces")->text().toStdString();
        return text + (window->State().Modified ? " modified" : "") + Asked();
    };
    const std::vector<TStepsCase> cases = {
        {"a place renamed in the list as another place is called",
         [this] { RenameInList(outdoors, "home"); }, placeSide,
         "Places Place: Outdoors (Outdoors) Can not rename place \"Outdoors\" to \"home\": place \"Home\" has this caption.",
         clickEach, "Outdoors|Home; Town", untouched},
        {"a place renamed in its box with a \";\"",
         [this] {
             ClickTab("Places");
             ClickPlace(shop);
             TypeOnTop("Town; Shop");
             ClickPlace(phone);
             ClickPlace(shop);
         },
         placeSide, "Places Place: Shop (Shop) Can not rename place \"Shop\" to \"Town; Shop\": \";\" separates the places of a task.",
         clickEach, "Outdoors|Home; Town", untouched},
        {"a place renamed to nothing",
         [this] {
             ClickTab("Places");
             ClickPlace(outdoors);
             TypeOnTop("  ");
             services.SaveFiles = {File("blank.tvd")};
             Keys(Qt::Key_S, Qt::ControlModifier);
         },
         placeSide, "Places Place: Outdoors (Outdoors) Can not rename place \"Outdoors\" to \"\": a place needs a caption.",
         clickEach, "Outdoors|Home; Town", untouched},
        {"a file whose places the box cannot name",
         [this] { OpenFileTheBoxCannotName(); },
         [this] { return PlacesBox(); }, "home; Town; Shop",
         [this] {
             for (const char* caption : {"Walk", "Cook"}) {
                 ClickTask(caption);
                 EditTask();
             }
             std::string ids;
             for (const char* caption : {"Walk", "Cook"})
                 for (const int32_t id : Task(caption)->Places)
                     ids += std::to_string(id);
             return ids + Asked();
         },
         "1230", "Walk[home; Town; Shop] Cook[; Home]"},
        {"a place added in the box of a task whose places the box cannot name",
         [this] {
             OpenFileTheBoxCannotName();
             ClickTask("Walk");
             Type(Named<QLineEdit>(*window, "edTaskPlaces"), "", false);
             Keys(Qt::Key_End);
             QTest::keyClicks(QApplication::focusWidget(), "; HOME");
             ClickTask("Cook");
         },
         [this] { return PlacesOf("Walk") + Asked(); }, "home; Town; Shop; Home",
         [this] {
             std::string ids;
             for (const int32_t id : Task("Walk")->Places)
                 ids += std::to_string(id);
             return ids;
         },
         "120", "Walk[home; Town; Shop; Home] Cook[; Home]"},
        {"a task's place retyped as another place is called but for case",
         [this] {
             OpenFileTheBoxCannotName();
             ClickTask("Walk");
             Type(Named<QLineEdit>(*window, "edTaskPlaces"), "", false);
             Keys(Qt::Key_Home);
             Keys(Qt::Key_Delete);
             QTest::keyClicks(QApplication::focusWidget(), "H");
             ClickTask("Cook");
         },
         [this] { return PlacesOf("Walk") + Asked(); }, "Home; Town; Shop",
         [this] {
             std::string ids;
             for (const int32_t id : Task("Walk")->Places)
                 ids += std::to_string(id);
             return ids;
         },
         "02", "Walk[Home; Town; Shop] Cook[; Home]"},
        {"Back on the Places page",
         [this] {
             ClickTask("Walk");
             ClickTask("Errand");
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_Left, Qt::AltModifier);
         },
         [this] { return Page() + " " + Side(); }, "Outline Task: Walk", renameWalkOnTop, "Stroll Phone",
         "Stroll[Outdoors] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"Forward on the Places page",
         [this] {
             ClickTask("Errand");
             ClickTask("Walk");
             Keys(Qt::Key_Left, Qt::AltModifier);
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_Right, Qt::AltModifier);
         },
         [this] { return Page() + " " + Side(); }, "Outline Task: Walk", renameWalkOnTop, "Stroll Phone",
         "Stroll[Outdoors] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"Undo of a task's step on the Places page",
         [this] {
             ClickTask("Walk");
             TypeOnTop("Hike");
             ClickTask("Errand");
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_Z, Qt::ControlModifier);
         },
         [this] { return Page() + " " + Side(); }, "Outline Task: Walk", renameWalkOnTop, "Stroll Phone",
         "Stroll[Outdoors] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"Redo of a task's step on the Places page",
         [this] {
             ClickTask("Walk");
             TypeOnTop("Hike");
             ClickTask("Errand");
             Keys(Qt::Key_Z, Qt::ControlModifier);
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
         },
         [this] { return Page() + " " + Side(); }, "Outline Task: Hike",
         [this] {
             TypeOnTop("Stroll");
             ClickTask("Errand");
             return std::string(Task("Stroll") ? "Stroll" : "no Stroll") + " " + phone->Caption;
         },
         "Stroll Phone", "Stroll[Outdoors] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"Set due date on the Places page",
         [this] {
             ClickTask("Walk");
             ClickTab("Places");
             ClickPlace(phone);
             Keys(Qt::Key_D, Qt::ControlModifier);
         },
         [this] { return Page() + " " + Side(); }, "Outline Task: Walk",
         [this] {
             Keys(Qt::Key_Return);  // the calendar's day
             return std::to_string(Task("Walk")->ScheduleType) + " " + Side();
         },
         "1 Task: Walk", untouched},
        {"the To-Do page after a restart",
         [this] { RestartOnToDoPage(); },
         [this] { return ToDoRows() + "| " + Side(); }, "Sweep Cook | none",
         [this] {
             ClickRow(window->Part<TToDoPage>().tvToDo(), "Sweep");
             TypeOnTop("Sweep up");
             ClickRow(window->Part<TToDoPage>().tvToDo(), "Cook");
             return ToDoRows() + "| " + Side();
         },
         "Cook | Task: Cook", "House[] Sweep up[] Cook[] Walk[]"},
        {"Set due date on the To-Do page beside no task",
         [this] {
             RestartOnToDoPage();
             Keys(Qt::Key_D, Qt::ControlModifier);
             Keys(Qt::Key_Return);
         },
         [this] { return std::to_string(Task("House")->ScheduleType) + " " + ToDoRows() + "| " + Side(); },
         "0 Sweep Cook | none",
         [this] {
             ClickRow(window->Part<TToDoPage>().tvToDo(), "Sweep");
             Keys(Qt::Key_D, Qt::ControlModifier);
             Keys(Qt::Key_Return);
             return std::to_string(Task("Sweep")->ScheduleType) + " " + Side();
         },
         "1 Task: Sweep", "House[] Sweep[] Cook[] Walk[]"},
        {"Undo on the To-Do page of a task without a row, the list not kept up to date",
         [this] {
             ClickTask("House");
             EditTask();
             ClickTab("ToDo");
             ClickButton("Filter");
             ClickButton("Auto update");
             Keys(Qt::Key_Z, Qt::ControlModifier);
         },
         [this] { return ToDoRows() + "| " + Side(); }, "Sweep Cook | none",
         [this] {
             ClickRow(window->Part<TToDoPage>().tvToDo(), "Sweep");
             TypeOnTop("Sweep up");
             ClickRow(window->Part<TToDoPage>().tvToDo(), "Cook");
             return ToDoRows() + "| " + Side();
         },
         "Cook | Task: Cook", "Walk[Outdoors] House[Home] Sweep up[Home] Cook[Home; Town] Errand[]"},
        {"an auto-save while the places box is typed in",
         [this] {
             SaveAs(File("auto.tvd"));
             ClickTask("Walk");
             Type(Named<QLineEdit>(*window, "edTaskPlaces"), "Outdoors; Hom", true);
             AutoSaves();
         },
         savedAfterAutoSave, untouched + " |Outdoors; Hom modified",
         [this] {
             QTest::keyClicks(QApplication::focusWidget(), "e");
             Keys(Qt::Key_S, Qt::ControlModifier);  // a save the user asks for takes the typing
             return PlacesOf("Walk") + Asked();
         },
         "Outdoors; Home", "Walk[Outdoors; Home] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"an auto-save while a place's caption is typed",
         [this] {
             SaveAs(File("auto.tvd"));
             ClickTab("Places");
             ClickPlace(outdoors);
             TypeOnTop("Home");  // on the way to "Home Office"
             AutoSaves();
         },
         [this] {
             return Read(File("auto.tvd")) + " |" + TopBox()->toPlainText().toStdString() +
                    (window->State().Modified ? " modified" : "") + Asked();
         },
         untouched + " |Home modified",
         [this] {
             QTest::keyClicks(QApplication::focusWidget(), " Office");
             ClickPlace(phone);
             return outdoors->Caption + Asked();
         },
         "Home Office", "Walk[Home Office] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"a caption edited in the tree while the panel holds a note",
         [this] {
             ClickTask("Walk");
             Type(window->Part<TTaskPanel>().TaskNotesEditor(), "water", false);
             ClickTask("Walk");
             Keys(Qt::Key_F2);
             QTest::keyClicks(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), "Stroll");
             Keys(Qt::Key_Return);
         },
         [this] { return Side() + " '" + window->Part<TTaskPanel>().TaskNotesEditor()->toPlainText().toStdString() + "'"; },
         "Task: Stroll 'water'",
         [this] {
             ClickTask("Errand");
             return Task("Stroll")->Note.Text();
         },
         "water\n", "Stroll[Outdoors]'water' House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"Undo and Redo right after typing",
         [this] {
             ClickTask("Walk");
             EditTask();  // a step of the document's history, not to be undone here
             Type(window->Part<TTaskPanel>().TaskNotesEditor(), "water", false);
             Keys(Qt::Key_Z, Qt::ControlModifier);
             Type(Named<QLineEdit>(*window, "edTaskPlaces"), "Home", true);
             Keys(Qt::Key_Z, Qt::ControlModifier);
             Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
         },
         [this] {
             return PlacesBox() + " '" + window->Part<TTaskPanel>().TaskNotesEditor()->toPlainText().toStdString() + "' " +
                    window->Part<TUndoNavigation>().actUndo()->text().toStdString();
         },
         "Home '' Undo typing",
         [this] {
             ClickTask("Errand");
             return PlacesOf("Walk") + " " + std::to_string(Task("Walk")->Note.Count());
         },
         "Home 0", "Walk[Home] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
        {"a tab-text import into the task whose panel holds an edit",
         [this] {
             WriteAll(File("trail.txt"), "Map\n\tTrail\n");
             ClickTask("Walk");
             Type(window->Part<TTaskPanel>().TaskNotesEditor(), "water", false);
             services.OpenFiles = {TFileAnswer(File("trail.txt"), 1)};
             window->Part<TImportExport>().actImport()->trigger();
             QApplication::processEvents();
         },
         [this] { return Side() + " '" + window->Part<TTaskPanel>().TaskNotesEditor()->toPlainText().toStdString() + "'"; },
         "Task: Walk 'water'",
         [this] {
             Type(window->Part<TTaskPanel>().TaskNotesEditor(), " now", false);
             ClickTask("Errand");
             return Task("Walk")->Note.Text();
         },
         "water now\n", "Walk[Outdoors]'water now' Map[] Trail[] House[Home] Sweep[Home] Cook[Home; Town] Errand[]"},
    };
    for (const TStepsCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUp();  // a fresh window
        c.Steps();
        EXPECT_EQ(c.Shown(), c.ShownExpected);
        EXPECT_EQ(c.Written(), c.WrittenExpected);
        EXPECT_EQ(Saved(), c.SavedExpected);
        window.reset();
        services = TScriptedServices();
    }
}

// The rule behind the refusals, for what the window cannot type easily.
TEST(PlaceCaptionRulesTest, ARenameTheBoxCouldNotNameIsRefused)
{
    TTaskPlacesList places;
    TTaskPlace& home = *places.Add("Home");
    places.Add("Town; Shop");
    const struct {
        const char* Caption;
        bool Refused;
    } cases[] = {{"Home", false}, {" hOME ", false}, {"Yard", false},       {"  ", true},
                 {"\t", true},    {"a;b", true},     {"town; shop", true}};
    for (const auto& c : cases)
        EXPECT_EQ(!PlaceRenameRefusal(places, home, c.Caption).empty(), c.Refused) << c.Caption;
    // A place keeps what it has, even when the box could not name it.
    EXPECT_EQ(PlaceRenameRefusal(places, *places.FindByCaption("Town; Shop"), " Town; Shop"), "");
}

} // namespace
