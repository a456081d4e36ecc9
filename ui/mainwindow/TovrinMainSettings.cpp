// The shell builds the desktop part (desktop/DesktopIntegration) and the options part
// (options/WindowOptions), whose settings are loaded and saved together.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/outline/TreeEditing.h"
#include "ui/undo/UndoNavigation.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>

#include "ui/controls/PageControl.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/mainwindow/MainPages.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/options/WindowOptions.h"
#include "ui/outline/OutlineViews.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoFilterPanel.h"
#include "ui/todo/ToDoPage.h"

namespace {

void SetTabVisible(TPageControl* pages, QWidget* page, bool visible)
{
    if (!pages || !page)
        return;
    const int index = pages->indexOf(page);
    if (index >= 0)
        pages->setTabVisible(index, visible);
}

void SetVisible(QWidget* control, bool visible)
{
    if (control)
        control->setVisible(visible);
}

} // namespace

void TfrmTovrinMain::BuildSettings()
{
    TDesktopHost host{[this] { Exit1Click(); },
                      [this] { return AutoSaveDocument(); },
                      [this] { return document_->Untitled(); },
                      [this] { return pages_->pcMainPages()->width(); },
                      [this](int treeWidth) {
                          splMain->setSizes({treeWidth, std::max(0, splMain->width() - splMain->handleWidth() - treeWidth)});
                      },
                      [this](QObject* watched, QKeyEvent* key) {
                          bool handled = false;
                          RunGuarded([&] {
                              handled = tasks_->edTaskPlacesKeyDown(watched, key->key(), key->modifiers());
                          });
                          return handled;
                      }};
    desktop_ = new TDesktopIntegration(*this, state_, *services_, std::move(host));

    TWindowOptionsHost options;
    options.SetToDoTabVisible = [this](bool Visible) { SetTabVisible(pages_->pcMainPages(), pages_->tshToDoList(), Visible); };
    options.SetPlacesTabVisible = [this](bool Visible) { SetTabVisible(pages_->pcMainPages(), pages_->tshPlaces(), Visible); };
    options.SetTaskTabsVisible = [this](bool Visible) { tasks_->SetTabSheetVisible(Visible); };
    options.SetImportanceVisible = [this](bool Visible) { tasks_->SetImportanceVisible(Visible); };
    options.SetGoalsVisible = [this](bool Visible) { tasks_->SetGoalsVisible(Visible); };
    options.SetTimeVisible = [this](bool Visible) { tasks_->SetTimeVisible(Visible); };
    options.SetPlacesVisible = [this](bool Visible) {
        tasks_->SetPlacesVisible(Visible);
        if (toDo_)
            toDo_->SetPlacesVisible(Visible);
    };
    options.SetEffortVisible = [this](bool Visible) { tasks_->SetEffortVisible(Visible); };
    options.SetProjectVisible = [this](bool Visible) { tasks_->SetProjectVisible(Visible); };
    options.RefillViewList = [this] { views_->FillTaskTreeViewCombo(); };
    options.SetTaskTreeViewsVisible = [this](bool Visible) {
        if (!Visible) {
            views_->ShowTaskTreeFilterPanel(false);
            views_->ResetTaskTreeView(false);
        }
        SetVisible(views_->sbTaskTreeFilter(), Visible);
    };
    options.TaskLists = [this] {
        return std::vector<QWidget*>{views_->tvTasksTree(), toDo_->tvToDo(), places_->lvPlaces(), places_->lvIncludedPlaces()};
    };
    options.NoteEditors = [this] {
        return std::vector<QWidget*>{tasks_->TaskNotesEditor(), places_->PlaceNotesEditor()};
    };
    options.LastDBFile = [this] { return document_->LastDBFile(); };
    options.SetLastDBFile = [this](const std::string& Name) { document_->SetLastDBFile(Name); };
    options.FileName = [this] { return document_->FileName(); };
    options.EndInPlaceEditing = [this] { treeEditing_->EndInPlaceEditing(); };
    options.SetModified = [this](bool Value) { document_->SetModified(Value); };
    options.OutlineViewsShown = [this] {
        return pages_->OutlineShown() && views_->sbTaskTreeFilter()->isVisible();
    };
    options.ToDoPageShown = [this] { return pages_->ToDoShown(); };
    options.ToggleOutlineFilter = [this] { views_->ToggleTaskTreeFilterPanel(); };
    options.ToggleToDoFilter = [this] { toDo_->ToDoFilter().ToggleToDoFilterPanel(); };
    options_ = new TWindowOptions(*this, *desktop_, environment_.SettingsFile, std::move(options));
}
