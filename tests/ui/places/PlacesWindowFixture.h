#pragma once
// A window holding a small outline of tasks and places, with the clicks and keys the place tests
// drive it by, and what they read back: the right side, the places box, the saved file.
#include "ui/mainwindow/WindowTestSupport.h"
#include "ui/places/WindowClicks.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include "platform/Stream.h"
#include "taskdb/TaskPlace.h"

class TPlacesWindowFixture : public TWindowFixture {
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

