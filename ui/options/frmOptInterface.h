#pragma once
// The "Behaviour" sheet: the tray, Esc, one-click editing, the system hot key and the saved
// window position. Applying writes the settings at once.
#include "ui/options/frmOptionsSheetBase.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;

class TfrmOptionsInterface : public TOptionsSheetBase {
    Q_OBJECT
public:
    explicit TfrmOptionsInterface(TTovrinOptions* Owner);
    static TOptionsSheetBase* CreateSheet(TTovrinOptions* Owner);

    void Apply() override;
    void cbHotKeyActiveClick();

private:
    QCheckBox* cbShowInTray = nullptr;
    QCheckBox* cbMinimizeToTray = nullptr;
    QCheckBox* cbCloseToTray = nullptr;
    QCheckBox* cbEscMinimizeApp = nullptr;
    QCheckBox* cbOneClickEditMode = nullptr;
    QCheckBox* cbHotKeyActive = nullptr;
    QCheckBox* cbSaveWndPosition = nullptr;
    QGroupBox* gbShortCut = nullptr;
    QLineEdit* edHotKeyChar = nullptr;
    QCheckBox* cbAltKey = nullptr;
    QCheckBox* cbShiftKey = nullptr;
    QCheckBox* cbCtrlKey = nullptr;
    QCheckBox* cbWinKey = nullptr;

    void FormCreate();
    void Changed();
};

void RegisterInterfaceSheet();
void UnregisterInterfaceSheet();
