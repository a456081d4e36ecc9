// The outline's nine display switches applied to the window. Each setter stores its value and
// then shows or hides what it controls.
#include "ui/mainwindow/TovrinMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

#include "ui/controls/PageControl.h"
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
    SetVisible(pnlTaskPropTabSheet, Value);
}

void TfrmTovrinMain::SetShowImportance(bool Value)
{
    ShowImportance = Value;
    SetVisible(gbPriority, Value);
}

void TfrmTovrinMain::SetShowGoals(bool Value)
{
    ShowGoals = Value;
    SetVisible(pnlGoals, Value);
    FillTaskTreeViewCombo();
}

void TfrmTovrinMain::SetShowTime(bool Value)
{
    ShowTime = Value;
    SetTabVisible(pcTaskProps, tshTime, Value);
}

void TfrmTovrinMain::SetShowPlaces(bool Value)
{
    ShowPlaces = Value;
    // The Places page needs the property panel to edit a place.
    SetTabVisible(pcMainPages, tshPlaces, Value && ShowTaskProperties);
    SetVisible(pnlPlaces, Value);
    if (toDo_)
        toDo_->SetPlacesVisible(Value);
}

void TfrmTovrinMain::SetShowEffort(bool Value)
{
    ShowEffort = Value;
    SetTabVisible(pcTaskProps, tshEffort, Value);
}

void TfrmTovrinMain::SetShowProject(bool Value)
{
    ShowProject = Value;
    SetTabVisible(pcTaskProps, tshProject, Value);
    FillTaskTreeViewCombo();
}

void TfrmTovrinMain::SetShowTaskTreeViews(bool Value)
{
    ShowTaskTreeViews = Value;
    if (!Value) {
        ShowTaskTreeFilterPanel(false);
        ResetTaskTreeView(false);
    }
    SetVisible(sbTaskTreeFilter, Value);
}
