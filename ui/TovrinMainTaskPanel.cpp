// Refilling the panel for the task it shows. Showing a task, noticing edits and writing them
// back is the property panel's code (TovrinMainProps.cpp).
#include "ui/TovrinMain.h"

#include <QAction>
#include <QPlainTextEdit>

#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/PageControl.h"
#include "ui/TreeViewCheckBoxes.h"
#include "ui/TreeViewRules.h"

void TfrmTovrinMain::ReloadCurrentTask()
{
    ForceReload = true;
    try {
        SetCurrentTask(CurrentTask);
    } catch (...) {
        ForceReload = false;
        throw;
    }
    ForceReload = false;
}

