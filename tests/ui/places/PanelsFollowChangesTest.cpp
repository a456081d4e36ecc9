// A change made elsewhere (a place renamed, a subtree's places cleared, a place deletion undone
// or redone, another page) as the property panel then shows it and as its next write-back keeps
// it. Real mouse clicks and keys in the window offscreen.
#include "ui/mainwindow/WindowTestSupport.h"
#include "ui/places/WindowClicks.h"

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

class PanelsFollowChangesTest : public TWindowFixture {
protected:
    TTaskPlace* outdoors = nullptr;
    TTaskPlace* city = nullptr;
    TTaskPlace* shop = nullptr;
    TTaskPlace* office = nullptr;
    TTaskPlace* phone = nullptr;

    // Walk goes outdoors; House and its subtasks are done at home; City includes Town and Shop.
    void SetUp() override
    {
        TWindowFixture::SetUp();
        BuildOutline([this](TTaskNode* root) {
            TTaskPlacesList& places = *window->State().DataBase->PlacesList;
            outdoors = places.Add("Outdoors");
            const int32_t home = places.Add("Home")->PlaceID;
            city = places.Add("City");
            const int32_t town = places.Add("Town")->PlaceID;
            shop = places.Add("Shop");
            office = places.Add("Office");
            phone = places.Add("Phone");
            city->IncludedPlaces = {town, shop->PlaceID};
            root->AddChild("Walk", -1)->Places = {outdoors->PlaceID};
            TTaskNode* house = root->AddChild("House", -1);
            house->Places = {home};
            house->AddChild("Sweep", -1)->Places = {home};
            house->AddChild("Cook", -1)->Places = {home, town};
            root->AddChild("Errand", -1);
        });
    }

    void ClickTask(const std::string& caption) { ClickBesideLabel(window->Part<TOutlineViews>().tvTasksTree(), Node(caption)); }
    void ClickPlace(const TTaskPlace* place)
    {
        TTreeViewCheckBoxes* list = window->Part<TPlacePanel>().lvPlaces();
        ClickBesideLabel(list, window->Part<TPlacePanel>().FindPlaceListItem(list, place));
    }
    void ClickTab(const char* text) { ::ClickTab(*window, text); }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QApplication::processEvents();
    }
    // Clicks into an editor and types there, over all its text when Replace.
    void Type(QWidget* editor, const char* text, bool Replace)
    {
        QTest::mouseClick(editor->focusProxy() ? editor->focusProxy() : editor, Qt::LeftButton, {}, QPoint(8, 8));
        if (Replace)
            Keys(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), text);
        QApplication::processEvents();
    }
    // Ticks or unticks a place among the current place's included places, with Space.
    void Tick(const TTaskPlace* place)
    {
        QTreeWidget* list = window->Part<TPlacePanel>().lvIncludedPlaces();
        QTreeWidgetItem* item = window->Part<TPlacePanel>().FindPlaceListItem(list, place);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
        Keys(Qt::Key_Space);
    }
    // Runs a command of the outline's pop-up menu from its submenu: each item highlighted as the
    // pointer would, then opened with the keys.
    void PopupCommand(const char* submenu, const char* command)
    {
        TTreeViewCheckBoxes* tree = window->Part<TOutlineViews>().tvTasksTree();
        const QPoint at = tree->visualItemRect(tree->currentItem()).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &event);
        for (const char* text : {submenu, command}) {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << text;
            for (QAction* action : menu->actions())
                if (action->text() == QLatin1String(text))
                    menu->setActiveAction(action);
            ASSERT_EQ(menu->activeAction()->text(), QLatin1String(text));
            QTest::keyClick(menu, text == submenu ? Qt::Key_Right : Qt::Key_Return);
            QApplication::processEvents();
        }
    }
    // A write-back at once: the hide box, clicked twice.
    void EditTask()
    {
        QCheckBox* hide = Named<QCheckBox>(*window, "cbHideInToDo");
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(hide, Qt::LeftButton, {}, QPoint(6, hide->height() / 2));
    }

    std::string PlacesBox() const { return Named<QLineEdit>(*window, "edTaskPlaces")->text().toStdString(); }
    std::string PlacesOf(const std::string& caption) const
    {
        return window->State().DataBase->PlacesList->CaptionsText(Task(caption)->Places);
    }
    // Which side the right-hand panel shows, and its caption.
    std::string Side() const
    {
        auto shows = [this](const char* name) { return Named<QWidget>(*window, name)->isVisibleTo(window.get()); };
        if (shows("pnlPlaceProps"))
            return "Place: " + window->Part<TPlacePanel>().memPlaceCaption()->toPlainText().toStdString();
        if (shows("pnlTaskProps"))
            return "Task: " + Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText().toStdString();
        return "none";
    }
    // The ticked included places, as the place panel shows them.
    std::string Ticked() const
    {
        std::string text;
        QTreeWidget* list = window->Part<TPlacePanel>().lvIncludedPlaces();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->checkState(0) == Qt::Checked)
                text += (text.empty() ? "" : " ") + list->topLevelItem(i)->text(0).toStdString();
        return text;
    }
    // Saves with Ctrl+S and reads the file back.
    std::unique_ptr<TTovrinDataBase> SaveAndRead()
    {
        const std::string name = File("saved" + std::to_string(++saves_) + ".tvd");
        services.SaveFiles = {name};
        Keys(Qt::Key_S, Qt::ControlModifier);
        auto saved = std::make_unique<TTovrinDataBase>();
        TFileStream in(name, TFileMode::fmOpenRead);
        saved->LoadFromStream(in, "");
        return saved;
    }
    // City's includes in the saved file, by caption.
    std::string SavedCityIncludes()
    {
        ClickTab("Outline");
        const std::unique_ptr<TTovrinDataBase> saved = SaveAndRead();
        std::vector<std::string> names;
        for (const int32_t id : saved->PlacesList->FindByCaption("City")->IncludedPlaces)
            names.push_back(saved->PlacesList->FindByID(id)->Caption);
        std::sort(names.begin(), names.end());
        std::string text;
        for (const std::string& name : names)
            text += (text.empty() ? "" : " ") + name;
        return text;
    }

private:
    int saves_ = 0;
};

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
             Keys(Qt::Key_Z, Qt::ControlModifier);  // the task's change undone: its panel shows
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
