#pragma once
// The "Appearance" sheet: the outline's nine display switches, with four quick-setup presets.
// The switches belong to the open outline and are saved with its data file.
#include "ui/options/DisplayModes.h"
#include "ui/options/frmOptionsSheetBase.h"

class QCheckBox;
class QComboBox;
class QGroupBox;

class TOptionsDBFileMode : public TOptionsSheetBase {
    Q_OBJECT
public:
    explicit TOptionsDBFileMode(TTovrinOptions* Owner);
    static TOptionsSheetBase* CreateSheet(TTovrinOptions* Owner);

    void Apply() override;
    void SyncQuickSetup(bool ApplyPreset);
    void ApplyQuickSetup();
    void DetectQuickSetup();
    void UpdateTaskPropsEnabled();

    // The boxes as switches.
    TDisplaySwitches Boxes() const;
    void SetBoxes(const TDisplaySwitches& Switches);

    void OptionsChangeEvent();
    void cbShowTaskPropertiesClick();
    void cbQuickSetupClick();

private:
    QComboBox* cbQuickSetup = nullptr;
    QCheckBox* cbShowToDoSheet = nullptr;
    QCheckBox* cbShowTaskTree_View = nullptr;
    QCheckBox* cbShowTaskProperties = nullptr;
    QGroupBox* gbTaskProps = nullptr;
    QCheckBox* cbTaskProp_Priority = nullptr;
    QCheckBox* cbTaskProp_Time = nullptr;
    QCheckBox* cbTaskProp_Goals = nullptr;
    QCheckBox* cbTaskProp_Places = nullptr;
    QCheckBox* cbTaskProp_Effort = nullptr;
    QCheckBox* cbTaskProp_Project = nullptr;

    void FormCreate();
};

// The sheet's registration under "Tovrin File options".
void RegisterDBFileModeSheet();
void UnregisterDBFileModeSheet();
