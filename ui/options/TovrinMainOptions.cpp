// Tools > Options: the options dialog over the registered sheets.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/options/frmOptAutoSave.h"
#include "ui/options/frmOptFontColor.h"
#include "ui/options/frmOptInterface.h"
#include "ui/options/frmOptionsDBFileMode.h"
#include "ui/options/frmTovrinOptions.h"

namespace {

// The option-sheet units, initialised when the program starts in this order (which is the
// order of the options tree) and finalised when it ends.
class TOptionSheetUnits {
public:
    TOptionSheetUnits()
    {
        RegisterDBFileModeSheet();
        RegisterInterfaceSheet();
        RegisterFontColorSheet();
        RegisterAutoSaveSheet();
    }
    ~TOptionSheetUnits()
    {
        UnregisterAutoSaveSheet();
        UnregisterFontColorSheet();
        UnregisterInterfaceSheet();
        UnregisterDBFileModeSheet();
    }
};

const TOptionSheetUnits optionSheetUnits;

} // namespace

void TfrmTovrinMain::Options1Click()
{
    TreeEditing().EndInPlaceEditing();
    if (TTovrinOptions::Execute(this))
        Document().SetModified(true);
}
