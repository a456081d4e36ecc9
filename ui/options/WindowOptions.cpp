#include "ui/options/WindowOptions.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

#include "taskdb/TovrinDataBase.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/desktop/Settings.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/options/QtFont.h"
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

void ApplyFontAndColor(QWidget* control, const TFontDesc& font, int32_t color)
{
    if (!control)
        return;
    control->setFont(ToQFont(font));
    // System colours come from the application's palette, not from one already changed here.
    const QPalette system = QApplication::palette(control);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, ToQColor(color, system));
    palette.setColor(QPalette::Text, ToQColor(font.Color, system));
    control->setPalette(palette);
}

} // namespace

TWindowOptions::TWindowOptions(QWidget& Window, TDesktopIntegration& Desktop, std::string SettingsFile,
                               TWindowOptionsHost Host)
    : QObject(&Window), desktop_(Desktop), settingsFile_(std::move(SettingsFile)), host_(std::move(Host))
{
    Options1_ = MakeWindowAction(Window, *this, "Options1", "Options...", nullptr, &TWindowOptions::Options1Click);
    AdvancedOptions1_ = MakeWindowAction(Window, *this, "AdvancedOptions1", "Advanced options", "Ctrl+P",
                                         &TWindowOptions::AdvancedOptions1Click);

    SetOneClickEditMode(true);
}

// ---- Display switches ----

void TWindowOptions::SetShowToDoSheet(bool Value)
{
    showToDoSheet_ = Value;
    host_.SetToDoTabVisible(Value);
}

void TWindowOptions::SetShowTaskProperties(bool Value)
{
    showTaskProperties_ = Value;
    host_.SetTaskTabsVisible(Value);
}

void TWindowOptions::SetShowImportance(bool Value)
{
    showImportance_ = Value;
    host_.SetImportanceVisible(Value);
}

void TWindowOptions::SetShowGoals(bool Value)
{
    showGoals_ = Value;
    host_.SetGoalsVisible(Value);
    host_.RefillViewList();
}

void TWindowOptions::SetShowTime(bool Value)
{
    showTime_ = Value;
    host_.SetTimeVisible(Value);
}

void TWindowOptions::SetShowPlaces(bool Value)
{
    showPlaces_ = Value;
    // The Places page needs the property panel to edit a place.
    host_.SetPlacesTabVisible(Value && showTaskProperties_);
    host_.SetPlacesVisible(Value);
}

void TWindowOptions::SetShowEffort(bool Value)
{
    showEffort_ = Value;
    host_.SetEffortVisible(Value);
}

void TWindowOptions::SetShowProject(bool Value)
{
    showProject_ = Value;
    host_.SetProjectVisible(Value);
    host_.RefillViewList();
}

void TWindowOptions::SetShowTaskTreeViews(bool Value)
{
    showTaskTreeViews_ = Value;
    host_.SetTaskTreeViewsVisible(Value);
}

void TWindowOptions::ShowSwitchesOf(const TTovrinDataBase& DataBase)
{
    SetShowToDoSheet(DataBase.ShowToDoSheet);
    SetShowTaskProperties(DataBase.ShowTaskProperties);
    SetShowImportance(DataBase.ShowImportance);
    SetShowPlaces(DataBase.ShowPlaces);
    SetShowGoals(DataBase.ShowGoals);
    SetShowTime(DataBase.ShowTime);
    SetShowEffort(DataBase.ShowEffort);
    SetShowProject(DataBase.ShowProject);
    SetShowTaskTreeViews(DataBase.ShowTaskTreeViews);
}

void TWindowOptions::StoreSwitchesIn(TTovrinDataBase& DataBase) const
{
    DataBase.SetShowToDoSheet(showToDoSheet_);
    DataBase.SetShowTaskProperties(showTaskProperties_);
    DataBase.SetShowImportance(showImportance_);
    DataBase.SetShowPlaces(showPlaces_);
    DataBase.SetShowGoals(showGoals_);
    DataBase.SetShowTime(showTime_);
    DataBase.SetShowEffort(showEffort_);
    DataBase.SetShowProject(showProject_);
    DataBase.SetShowTaskTreeViews(showTaskTreeViews_);
}

// ---- Fonts, colours and one-click editing ----

void TWindowOptions::SetOneClickEditMode(bool Value)
{
    oneClickEditMode_ = Value;
}

void TWindowOptions::SetTasksFont(const TFontDesc& Font, int32_t Color)
{
    tasksFont_ = Font;
    tasksColor_ = Color;
    for (QWidget* control : host_.TaskLists())
        ApplyFontAndColor(control, Font, Color);
}

void TWindowOptions::SetNoteFont(const TFontDesc& Font, int32_t Color)
{
    noteFont_ = Font;
    noteColor_ = Color;
    for (QWidget* control : host_.NoteEditors())
        ApplyFontAndColor(control, Font, Color);
}

// ---- Loading and saving the installation settings ----

namespace {

TInstallationSettings CurrentSettings(const TWindowOptions& o, const std::string& lastDBFile)
{
    TInstallationSettings s;
    const TDesktopIntegration& d = o.Desktop();
    s.ShowInTray = d.ShowInTray();
    s.MinimizeToTray = d.MinimizeToTray();
    s.CloseToTray = d.CloseToTray();
    s.EscMinimizeApp = d.EscMinimizeApp();
    s.OneClickEditMode = o.OneClickEditMode();
    s.HotKeyActive = d.HotKeyActive();
    s.SaveWndPosition = d.SaveWndPosition();
    s.Placement = d.Placement();
    s.AutoSaveMode = d.AutoSaveMode();
    s.HotKeyChar = d.HotKeyChar();
    s.HotKeyShifts = d.HotKeyShifts();
    s.TasksFont = o.TasksFont();
    s.TasksColor = o.TasksColor();
    s.NoteFont = o.NoteFont();
    s.NoteColor = o.NoteColor();
    s.LastDBFile = lastDBFile;
    return s;
}

} // namespace

void TWindowOptions::LoadSettings()
{
    TInstallationSettings s = CurrentSettings(*this, host_.LastDBFile());
    // The designed fonts and colours are the defaults.
    s.TasksFont = defaultTasksFont_;
    s.TasksColor = defaultTasksColor_;
    s.NoteFont = defaultNoteFont_;
    s.NoteColor = defaultNoteColor_;
    {
        auto store = OpenInstallationSettings(settingsFile_);
        LoadInstallationSettings(*store, s);
    }
    desktop_.SetShowInTray(s.ShowInTray);
    desktop_.SetMinimizeToTray(s.MinimizeToTray);
    desktop_.SetCloseToTray(s.CloseToTray);
    desktop_.SetEscMinimizeApp(s.EscMinimizeApp);
    SetOneClickEditMode(s.OneClickEditMode);
    desktop_.SetHotKeyActive(s.HotKeyActive);
    desktop_.SetSaveWndPosition(s.SaveWndPosition);
    desktop_.SetAutoSaveMode(s.AutoSaveMode);
    desktop_.SetPlacement(s.Placement);
    desktop_.SetHotKeyChar(s.HotKeyChar);
    desktop_.SetHotKeyShifts(s.HotKeyShifts);
    SetTasksFont(s.TasksFont, s.TasksColor);
    SetNoteFont(s.NoteFont, s.NoteColor);
    host_.SetLastDBFile(s.LastDBFile);
}

void TWindowOptions::SaveSettings()
{
    auto store = OpenInstallationSettings(settingsFile_);
    desktop_.StoreWindowPlacement();
    host_.SetLastDBFile(host_.FileName());
    SaveInstallationSettings(*store, CurrentSettings(*this, host_.LastDBFile()));
    // A changed key takes effect at once.
    desktop_.UnregisterSystemHotKey();
    if (desktop_.HotKeyActive())
        desktop_.RegisterSystemHotKey();
}

// ---- Commands ----

void TWindowOptions::Options1Click()
{
    host_.EndInPlaceEditing();
    if (TTovrinOptions::Execute(this))
        host_.SetModified(true);
}

void TWindowOptions::AdvancedOptions1Click()
{
    if (host_.OutlineViewsShown()) {
        host_.ToggleOutlineFilter();
    } else if (host_.ToDoPageShown()) {
        host_.ToggleToDoFilter();
    }
}
