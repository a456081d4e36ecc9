#pragma once
// The "Autosave files" sheet: when the current outline saves itself.
#include "ui/options/frmOptionsSheetBase.h"

class QButtonGroup;
class QGroupBox;
class QRadioButton;

class TOptionsAutoSave : public TOptionsSheetBase {
    Q_OBJECT
public:
    explicit TOptionsAutoSave(TTovrinOptions* Owner);
    static TOptionsSheetBase* CreateSheet(TTovrinOptions* Owner);

    void Apply() override;

    // The radio group's checked item, in mode order.
    int32_t ItemIndex() const;
    void SetItemIndex(int32_t Index);

private:
    QGroupBox* rgAutoSave = nullptr;
    QButtonGroup* rgAutoSaveButtons = nullptr;
};

void RegisterAutoSaveSheet();
void UnregisterAutoSaveSheet();
