// The outline's nine display switches applied to the window. Each setter stores its value and
// then shows or hides what it controls.
#include "ui/mainwindow/TovrinMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

#include "ui/controls/PageControl.h"
#include "ui/outline/OutlineViews.h"
#include "ui/taskpanel/TaskPanel.h"
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

void TfrmTovrinMain::SetShowToDoSheet(bool Value)
{
    ShowToDoSheet = Value;
    SetTabVisible(pcMainPages, tshToDoList, Value);
}

void TfrmTovrinMain::SetShowTaskProperties(bool Value)
{
    ShowTaskProperties = Value;
    tasks_->SetTabSheetVisible(Value);
}

void TfrmTovrinMain::SetShowImportance(bool Value)
{
    ShowImportance = Value;
    tasks_->SetImportanceVisible(Value);
}

void TfrmTovrinMain::SetShowGoals(bool Value)
{
    ShowGoals = Value;
    tasks_->SetGoalsVisible(Value);
    views_->FillTaskTreeViewCombo();
}

void TfrmTovrinMain::SetShowTime(bool Value)
{
    ShowTime = Value;
    tasks_->SetTimeVisible(Value);
}

void TfrmTovrinMain::SetShowPlaces(bool Value)
{
    ShowPlaces = Value;
    // The Places page needs the property panel to edit a place.
    SetTabVisible(pcMainPages, tshPlaces, Value && ShowTaskProperties);
    tasks_->SetPlacesVisible(Value);
    if (toDo_)
        toDo_->SetPlacesVisible(Value);
}

void TfrmTovrinMain::SetShowEffort(bool Value)
{
    ShowEffort = Value;
    tasks_->SetEffortVisible(Value);
}

void TfrmTovrinMain::SetShowProject(bool Value)
{
    ShowProject = Value;
    tasks_->SetProjectVisible(Value);
    views_->FillTaskTreeViewCombo();
}

void TfrmTovrinMain::SetShowTaskTreeViews(bool Value)
{
    ShowTaskTreeViews = Value;
    if (!Value) {
        views_->ShowTaskTreeFilterPanel(false);
        views_->ResetTaskTreeView(false);
    }
    SetVisible(views_->sbTaskTreeFilter(), Value);
}
