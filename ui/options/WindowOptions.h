#pragma once
// The window's options: the outline's nine display switches (kept with the document), the fonts
// and colours of the task lists and the notes editors, one-click editing, the installation
// settings' loading and saving, and the Options and Advanced options commands. What a switch
// shows or hides belongs to other parts of the window, which it asks through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/options/FontText.h"

class QAction;
class QWidget;
class TDesktopIntegration;
class TTovrinDataBase;

// What the options ask of the rest of the window.
struct TWindowOptionsHost {
    // The To-Do and Places pages' tabs.
    std::function<void(bool Visible)> SetToDoTabVisible;
    std::function<void(bool Visible)> SetPlacesTabVisible;
    // The task panel's tabs, and its parts one by one; places also in the To-Do page's filter.
    std::function<void(bool Visible)> SetTaskTabsVisible;
    std::function<void(bool Visible)> SetImportanceVisible;
    std::function<void(bool Visible)> SetGoalsVisible;
    std::function<void(bool Visible)> SetTimeVisible;
    std::function<void(bool Visible)> SetPlacesVisible;
    std::function<void(bool Visible)> SetEffortVisible;
    std::function<void(bool Visible)> SetProjectVisible;
    // The outline's list of views, refilled after goals or projects come or go.
    std::function<void()> RefillViewList;
    // The outline's views and their button; hiding them returns to all tasks.
    std::function<void(bool Visible)> SetTaskTreeViewsVisible;
    // The outline tree, the To-Do tree and the places lists; the notes editors.
    std::function<std::vector<QWidget*>()> TaskLists;
    std::function<std::vector<QWidget*>()> NoteEditors;
    // The outline opened last, stored with the settings, and the one open now.
    std::function<std::string()> LastDBFile;
    std::function<void(const std::string& Name)> SetLastDBFile;
    std::function<std::string()> FileName;
    std::function<void()> EndInPlaceEditing;
    std::function<void(bool Value)> SetModified;
    // The filter panel Advanced options opens or closes: the outline's, while its page shows
    // with the views' button, or the To-Do page's.
    std::function<bool()> OutlineViewsShown;
    std::function<bool()> ToDoPageShown;
    std::function<void()> ToggleOutlineFilter;
    std::function<void()> ToggleToDoFilter;
};

class TWindowOptions : public QObject {
    Q_OBJECT
public:
    // Makes the two commands on Window. Desktop is the part whose settings are loaded and saved
    // with the window's own, in SettingsFile.
    TWindowOptions(QWidget& Window, TDesktopIntegration& Desktop, std::string SettingsFile, TWindowOptionsHost Host);

    // ---- Display switches: each setter stores its value, then shows or hides what it controls ----
    bool ShowToDoSheet() const { return showToDoSheet_; }
    bool ShowTaskProperties() const { return showTaskProperties_; }
    bool ShowImportance() const { return showImportance_; }
    bool ShowPlaces() const { return showPlaces_; }
    bool ShowGoals() const { return showGoals_; }
    bool ShowTime() const { return showTime_; }
    bool ShowEffort() const { return showEffort_; }
    bool ShowProject() const { return showProject_; }
    bool ShowTaskTreeViews() const { return showTaskTreeViews_; }
    void SetShowToDoSheet(bool Value);
    void SetShowTaskProperties(bool Value);
    void SetShowImportance(bool Value);
    void SetShowPlaces(bool Value);
    void SetShowGoals(bool Value);
    void SetShowTime(bool Value);
    void SetShowEffort(bool Value);
    void SetShowProject(bool Value);
    void SetShowTaskTreeViews(bool Value);
    // The switches an outline keeps: shown when it opens, stored in it before it is saved.
    void ShowSwitchesOf(const TTovrinDataBase& DataBase);
    void StoreSwitchesIn(TTovrinDataBase& DataBase) const;

    // ---- Fonts and colours ----
    const TFontDesc& TasksFont() const { return tasksFont_; }
    int32_t TasksColor() const { return tasksColor_; }
    const TFontDesc& NoteFont() const { return noteFont_; }
    int32_t NoteColor() const { return noteColor_; }
    // The designed fonts and colours, which Restore default puts back.
    const TFontDesc& DefaultTasksFont() const { return defaultTasksFont_; }
    const TFontDesc& DefaultNoteFont() const { return defaultNoteFont_; }
    int32_t DefaultTasksColor() const { return defaultTasksColor_; }
    int32_t DefaultNoteColor() const { return defaultNoteColor_; }
    // Font and background of the outline tree, the To-Do tree and both place lists.
    void SetTasksFont(const TFontDesc& Font, int32_t Color);
    // Font and background of both notes editors.
    void SetNoteFont(const TFontDesc& Font, int32_t Color);

    bool OneClickEditMode() const { return oneClickEditMode_; }
    void SetOneClickEditMode(bool Value);

    // ---- Installation settings, the desktop part's with the window's own ----
    void LoadSettings();
    void SaveSettings();
    TDesktopIntegration& Desktop() const { return desktop_; }

    // ---- Commands ----
    void Options1Click();
    void AdvancedOptions1Click();
    QAction* Options1() const { return Options1_; }
    QAction* AdvancedOptions1() const { return AdvancedOptions1_; }

private:
    TDesktopIntegration& desktop_;
    std::string settingsFile_;
    TWindowOptionsHost host_;
    bool showToDoSheet_ = true;
    bool showTaskProperties_ = true;
    bool showImportance_ = true;
    bool showPlaces_ = true;
    bool showGoals_ = true;
    bool showTime_ = true;
    bool showEffort_ = true;
    bool showProject_ = true;
    bool showTaskTreeViews_ = true;
    // The designed fonts; where Tahoma is missing the font system puts its nearest in.
    TFontDesc defaultTasksFont_{"Tahoma", DEFAULT_CHARSET, clWindowText, 8, 0};
    TFontDesc defaultNoteFont_{"Tahoma", 204, clWindowText, 8, 0};
    int32_t defaultTasksColor_ = clWindow;
    int32_t defaultNoteColor_ = clWindow;
    TFontDesc tasksFont_;
    int32_t tasksColor_ = clWindow;
    TFontDesc noteFont_;
    int32_t noteColor_ = clWindow;
    bool oneClickEditMode_ = true;
    QAction* Options1_ = nullptr;
    QAction* AdvancedOptions1_ = nullptr;
};
