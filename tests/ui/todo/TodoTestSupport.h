#pragma once
// The main window offscreen with a small outline of tasks and places, for the To-Do page and
// the Places page.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QToolButton>
#include <QKeyEvent>

#include <memory>
#include <string>
#include <vector>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/PageControl.h"
#include "ui/SharedShortcuts.h"
#include "ui/TovrinMain.h"
#include "ui/TreeViewCheckBoxes.h"
#include "ui/TreeViewRules.h"
#include "ui/window/WindowTestSupport.h"

using Names = std::vector<std::string>;

inline Names TopTexts(const QTreeWidget* tree)
{
    Names names;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        names.push_back(tree->topLevelItem(i)->text(0).toStdString());
    return names;
}

inline void SendKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
}

class TWindowFixture : public ::testing::Test {
protected:
    TTempFolder dir;
    TScriptedServices services;
    std::unique_ptr<TfrmTovrinMain> window;
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
    TTaskNode* dig = nullptr;
    TTaskNode* plant = nullptr;
    TTaskNode* done = nullptr;

    void SetUp() override { window = Make(); }

    std::unique_ptr<TfrmTovrinMain> Make()
    {
        TMainWindowEnvironment env;
        env.CurrentDir = dir.Path();
        env.ProgramDir = dir.File("bin");
        env.UserDataDir = dir.File("user");
        env.Services = &services;
        env.PostStartupMessage = false;
        env.SettingsFile = dir.File("settings.ini");
        std::filesystem::create_directories(env.ProgramDir);
        auto made = std::make_unique<TfrmTovrinMain>(env);
        made->show();
        return made;
    }

    void BuildSample()
    {
        window->ClearDocument();  // nothing of the window may refer to the tasks replaced here
        TTaskPlacesList& places = *window->DataBase->PlacesList;
        home = places.Add("Home");
        office = places.Add("Office");
        kitchen = places.Add("Kitchen");
        home->IncludedPlaces = {kitchen->PlaceID};
        TTaskNode* root = window->DataBase->Root.get();
        cook = root->AddChild("Cook", -1);
        cook->Places = {kitchen->PlaceID};
        call = root->AddChild("Call", -1);
        call->Places = {office->PlaceID};
        read = root->AddChild("Read", -1);
        garden = root->AddChild("Garden", -1);
        dig = garden->AddChild("Dig", -1);
        plant = garden->AddChild("Plant", -1);
        done = root->AddChild("Done", -1);
        done->SetCompletionDateTime(45000);
        window->FillTaskTree();
        window->PlacesListsStale = true;
        window->RefreshPlacesLists();
    }

    void ShowPage(QWidget* page) { window->pcMainPages->SetActivePage(page); }

    Names ToDoNames() const
    {
        Names names = TopTexts(window->tvToDo);
        std::sort(names.begin(), names.end());
        return names;
    }

    void SelectFilter(const TTaskPlace* place)
    {
        const int index = place ? window->cbPlaces->findText(QString::fromStdString(place->Caption)) : 0;
        window->cbPlaces->setCurrentIndex(index);
    }

    bool Dispatch(const QKeySequence& key)
    {
        auto* dispatcher = window->findChild<TSharedShortcutDispatcher*>();
        return dispatcher && dispatcher->Dispatch(key);
    }

    QTreeWidgetItem* PlaceItem(const TTaskPlace* place) const
    {
        return window->FindPlaceListItem(window->lvPlaces, place);
    }
};
