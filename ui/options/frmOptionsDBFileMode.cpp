#include "ui/options/frmOptionsDBFileMode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/options/OptionsSheetRegistry.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/options/WindowOptions.h"

namespace {

// The name this unit registered its sheet under; made on first use, as units start in any order.
std::string& RegisteredName()
{
    static std::string name;
    return name;
}

} // namespace

TOptionsDBFileMode::TOptionsDBFileMode(TTovrinOptions* Owner) : TOptionsSheetBase(Owner)
{
    HideSubentryHint();
    QVBoxLayout* layout = SheetLayout();
    auto* mode = new QGroupBox(QStringLiteral(" Tovrin mode "), this);
    auto* modeLayout = new QVBoxLayout(mode);
    cbQuickSetup = new QComboBox(mode);
    cbQuickSetup->setObjectName(QStringLiteral("cbQuickSetup"));
    modeLayout->addWidget(cbQuickSetup);

    auto box = [this](QCheckBox*& target, const char* name, const char* caption, QWidget* parent, QVBoxLayout* to) {
        target = new QCheckBox(QString::fromLatin1(caption), parent);
        target->setObjectName(QString::fromLatin1(name));
        to->addWidget(target);
        connect(target, &QCheckBox::toggled, this, [this, target] {
            RunGuarded([this, target] {
                if (target == cbShowTaskProperties)
                    cbShowTaskPropertiesClick();
                else
                    OptionsChangeEvent();
            });
        });
    };
    box(cbShowToDoSheet, "cbShowToDoSheet", "Show ToDo page", mode, modeLayout);
    box(cbShowTaskTree_View, "cbShowTaskTree_View", "Show Advanced Views for Task Tree", mode, modeLayout);
    box(cbShowTaskProperties, "cbShowTaskProperties", "Show Task properties ", mode, modeLayout);
    gbTaskProps = new QGroupBox(mode);
    gbTaskProps->setObjectName(QStringLiteral("gbTaskProps"));
    auto* propsLayout = new QVBoxLayout(gbTaskProps);
    box(cbTaskProp_Priority, "cbTaskProp_Priority", "Importance", gbTaskProps, propsLayout);
    box(cbTaskProp_Time, "cbTaskProp_Time", "Time", gbTaskProps, propsLayout);
    box(cbTaskProp_Goals, "cbTaskProp_Goals", "Goals", gbTaskProps, propsLayout);
    box(cbTaskProp_Places, "cbTaskProp_Places", "Places", gbTaskProps, propsLayout);
    box(cbTaskProp_Effort, "cbTaskProp_Effort", "Effort", gbTaskProps, propsLayout);
    box(cbTaskProp_Project, "cbTaskProp_Project", "Project", gbTaskProps, propsLayout);
    modeLayout->addWidget(gbTaskProps);
    layout->addWidget(mode);
    layout->addWidget(new QLabel(QStringLiteral("Note: These options are stored in the current Database File."), this));
    layout->addStretch(1);

    connect(cbQuickSetup, &QComboBox::activated, this, [this] { RunGuarded([this] { cbQuickSetupClick(); }); });
    FormCreate();
}

TOptionsSheetBase* TOptionsDBFileMode::CreateSheet(TTovrinOptions* Owner)
{
    return new TOptionsDBFileMode(Owner);
}

void TOptionsDBFileMode::FormCreate()
{
    TSheetLock lock(*this);
    if (TWindowOptions* options = WindowOptions()) {
        TDisplaySwitches s;
        s.ShowToDoSheet = options->ShowToDoSheet();
        s.ShowTaskProperties = options->ShowTaskProperties();
        s.ShowImportance = options->ShowImportance();
        s.ShowGoals = options->ShowGoals();
        s.ShowTime = options->ShowTime();
        s.ShowPlaces = options->ShowPlaces();
        s.ShowEffort = options->ShowEffort();
        s.ShowProject = options->ShowProject();
        s.ShowTaskTreeViews = options->ShowTaskTreeViews();
        SetBoxes(s);
    }
    for (const TQuickSetupPreset& preset : QuickSetupPresets())
        cbQuickSetup->addItem(QString::fromLatin1(preset.Name));
    SyncQuickSetup(false);
}

TDisplaySwitches TOptionsDBFileMode::Boxes() const
{
    TDisplaySwitches s;
    s.ShowToDoSheet = cbShowToDoSheet->isChecked();
    s.ShowTaskProperties = cbShowTaskProperties->isChecked();
    s.ShowImportance = cbTaskProp_Priority->isChecked();
    s.ShowGoals = cbTaskProp_Goals->isChecked();
    s.ShowTime = cbTaskProp_Time->isChecked();
    s.ShowPlaces = cbTaskProp_Places->isChecked();
    s.ShowEffort = cbTaskProp_Effort->isChecked();
    s.ShowProject = cbTaskProp_Project->isChecked();
    s.ShowTaskTreeViews = cbShowTaskTree_View->isChecked();
    return s;
}

void TOptionsDBFileMode::SetBoxes(const TDisplaySwitches& s)
{
    TSheetLock lock(*this);
    cbShowToDoSheet->setChecked(s.ShowToDoSheet);
    cbShowTaskProperties->setChecked(s.ShowTaskProperties);
    cbTaskProp_Priority->setChecked(s.ShowImportance);
    cbTaskProp_Goals->setChecked(s.ShowGoals);
    cbTaskProp_Time->setChecked(s.ShowTime);
    cbTaskProp_Places->setChecked(s.ShowPlaces);
    cbTaskProp_Effort->setChecked(s.ShowEffort);
    cbTaskProp_Project->setChecked(s.ShowProject);
    cbShowTaskTree_View->setChecked(s.ShowTaskTreeViews);
}

void TOptionsDBFileMode::SyncQuickSetup(bool ApplyPreset)
{
    if (ApplyPreset)
        ApplyQuickSetup();
    else
        DetectQuickSetup();
    UpdateTaskPropsEnabled();
}

void TOptionsDBFileMode::ApplyQuickSetup()
{
    TSheetLock lock(*this);
    const int preset = FindQuickSetup(cbQuickSetup->currentText().toStdString());
    if (preset >= 0)
        SetBoxes(QuickSetupPresets()[static_cast<size_t>(preset)].Switches);
}

void TOptionsDBFileMode::DetectQuickSetup()
{
    TSheetLock lock(*this);
    const QString custom = QString::fromLatin1(CustomQuickSetup);
    const bool hasCustom = cbQuickSetup->count() > 0 && cbQuickSetup->itemText(0) == custom;
    const int preset = ::DetectQuickSetup(Boxes());
    if (preset >= 0) {
        if (hasCustom)
            cbQuickSetup->removeItem(0);
        cbQuickSetup->setCurrentIndex(cbQuickSetup->findText(QString::fromLatin1(QuickSetupPresets()[static_cast<size_t>(preset)].Name)));
    } else {
        if (!hasCustom)
            cbQuickSetup->insertItem(0, custom);
        cbQuickSetup->setCurrentIndex(0);
    }
}

void TOptionsDBFileMode::UpdateTaskPropsEnabled()
{
    gbTaskProps->setEnabled(cbShowTaskProperties->isChecked());
    for (QCheckBox* box : {cbTaskProp_Priority, cbTaskProp_Time, cbTaskProp_Goals, cbTaskProp_Places, cbTaskProp_Effort,
                           cbTaskProp_Project})
        box->setEnabled(gbTaskProps->isEnabled());
}

void TOptionsDBFileMode::OptionsChangeEvent()
{
    if (UILocked())
        return;
    SyncQuickSetup(false);
    SetModified(true);
}

void TOptionsDBFileMode::cbShowTaskPropertiesClick()
{
    if (UILocked())
        return;
    UpdateTaskPropsEnabled();
    OptionsChangeEvent();
}

void TOptionsDBFileMode::cbQuickSetupClick()
{
    if (UILocked())
        return;
    SyncQuickSetup(true);
    OptionsChangeEvent();
}

void TOptionsDBFileMode::Apply()
{
    if (!Modified())
        return;
    if (TWindowOptions* options = WindowOptions()) {
        const TDisplaySwitches s = Boxes();
        options->SetShowToDoSheet(s.ShowToDoSheet);
        options->SetShowTaskProperties(s.ShowTaskProperties);
        options->SetShowImportance(s.ShowImportance);
        options->SetShowGoals(s.ShowGoals);
        options->SetShowTime(s.ShowTime);
        options->SetShowPlaces(s.ShowPlaces);
        options->SetShowEffort(s.ShowEffort);
        options->SetShowProject(s.ShowProject);
        options->SetShowTaskTreeViews(s.ShowTaskTreeViews);
    }
    SetModified(false);
}

void RegisterDBFileModeSheet()
{
    RegisteredName() = RegisterOptionsSheet("Tovrin File options", "Appearance", &TOptionsDBFileMode::CreateSheet);
}

void UnregisterDBFileModeSheet()
{
    UnregisterOptionsSheet(RegisteredName());
}
