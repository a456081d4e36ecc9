#pragma once
// The 21 installation settings of the main window, kept under "Settings" in the user's settings
// store (QSettings stands in for the registry key). Reading never fails: a value that is missing
// or unreadable keeps what the caller had; writing fails with one message when the store cannot
// be written.
#include <QSettings>

#include <memory>
#include <string>

#include "ui/options/FontText.h"
#include "ui/desktop/HotKey.h"
#include "ui/desktop/WindowPlacement.h"

struct TInstallationSettings {
    bool ShowInTray = true;
    bool MinimizeToTray = false;
    bool CloseToTray = false;
    bool EscMinimizeApp = false;
    bool OneClickEditMode = true;
    bool HotKeyActive = true;
    bool SaveWndPosition = true;
    TWindowPlacement Placement;
    int32_t AutoSaveMode = 0;
    std::string HotKeyChar = DefaultHotKeyChar;
    int32_t HotKeyShifts = DefaultHotKeyShifts;
    TFontDesc TasksFont;
    int32_t TasksColor = clWindow;
    TFontDesc NoteFont;
    int32_t NoteColor = clWindow;
    std::string LastDBFile;
};

inline constexpr const char* SettingsSaveError = "Can not save settings to registry. No access?";

// The user's settings store, or the named INI file (tests and portable use).
std::unique_ptr<QSettings> OpenInstallationSettings(const std::string& FileName);

// Reads into Settings; returns false, reading nothing, when the store holds no settings at all.
bool LoadInstallationSettings(QSettings& Store, TInstallationSettings& Settings);
// Writes every value; raises SettingsSaveError when the store cannot be written.
void SaveInstallationSettings(QSettings& Store, const TInstallationSettings& Settings);
