// The Advanced options command: the filter panel of the page shown.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/todo/ToDoFilterPanel.h"

#include <QToolButton>

#include "ui/controls/PageControl.h"
#include "ui/outline/OutlineViews.h"
#include "ui/todo/ToDoPage.h"

// ---- Views ----

void TfrmTovrinMain::AdvancedOptions1Click()
{
    if (pcMainPages->ActivePage() == tshOutline && views_->sbTaskTreeFilter()->isVisible()) {
        views_->ToggleTaskTreeFilterPanel();
    } else if (pcMainPages->ActivePage() == tshToDoList) {
        toDo_->ToDoFilter().ToggleToDoFilterPanel();
    }
}
