#pragma once
// The main window offscreen with a small outline of tasks and places, for the To-Do page and
// the Places page.
#include <QAction>
#include <QComboBox>

#include "taskdb/TaskPlace.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/SharedShortcuts.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowTestSupport.h"

class TodoFixture : public TWindowFixture {
protected:
    // Places: Home includes Kitchen; Office; Kitchen.
    TTaskPlace* home = nullptr;
    TTaskPlace* office = nullptr;
    TTaskPlace* kitchen = nullptr;
    // Tasks under the root: Cook (Kitchen), Call (Office), Read (no place), Garden with two open
    // subtasks Dig and Plant, Done (completed).
    TTaskNode* cook = nullptr;
    TTaskNode* call = nullptr;
    TTaskNode* read = nullptr;
    TTaskNode* garden = nullptr;

    void SetUp() override
    {
        window = Make({}, false);
        window->show();  // shown, but not yet active: no list takes the focus
        BuildOutline([this](TTaskNode* root) {
            TTaskPlacesList& places = *window->State().DataBase->PlacesList;
            home = places.Add("Home");
            office = places.Add("Office");
            kitchen = places.Add("Kitchen");
            home->IncludedPlaces = {kitchen->PlaceID};
            cook = root->AddChild("Cook", -1);
            cook->Places = {kitchen->PlaceID};
            call = root->AddChild("Call", -1);
            call->Places = {office->PlaceID};
            read = root->AddChild("Read", -1);
            garden = root->AddChild("Garden", -1);
            garden->AddChild("Dig", -1);
            garden->AddChild("Plant", -1);
            root->AddChild("Done", -1)->SetCompletionDateTime(45000);
        });
    }

    void ShowPage(QWidget* page) { window->Part<TMainPages>().pcMainPages()->SetActivePage(page); }

    Names ToDoNames() const
    {
        Names names = Texts(window->Part<TToDoPage>().tvToDo());
        std::sort(names.begin(), names.end());
        return names;
    }
    QTreeWidgetItem* ToDoNode(const TTaskNode* task) const { return window->Part<TTreeEditing>().FindTaskNode(window->Part<TToDoPage>().tvToDo(), task); }

    void SelectFilter(const TTaskPlace* place)
    {
        window->Part<TToDoPage>().ToDoFilter().cbPlaces()->setCurrentIndex(place ? window->Part<TToDoPage>().ToDoFilter().cbPlaces()->findText(QString::fromStdString(place->Caption)) : 0);
    }

    bool Dispatch(const QKeySequence& key)
    {
        auto* dispatcher = window->findChild<TSharedShortcutDispatcher*>();
        return dispatcher && dispatcher->Dispatch(key);
    }

    QTreeWidgetItem* PlaceItem(const TTaskPlace* place) const { return window->Part<TPlacePanel>().FindPlaceListItem(window->Part<TPlacePanel>().lvPlaces(), place); }
};
