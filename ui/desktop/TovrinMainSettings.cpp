// The installation settings: loading and saving them, for the desktop part (desktop/DesktopIntegration)
// and for the window's own fonts and one-click editing; Tools > Options and the links of the notes.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>

#include "ui/desktop/DesktopIntegration.h"
#include "ui/controls/PageControl.h"
#include "ui/options/QtFont.h"
#include "ui/desktop/Settings.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/OutlineViews.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoPage.h"

namespace {

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

void TfrmTovrinMain::BuildSettings()
{
    TDesktopHost host{[this] { Exit1Click(); },
                      [this] { return Document().SaveDocument(); },
                      [this] { return Document().Untitled(); },
                      [this] { return pcMainPages->width(); },
                      [this](int treeWidth) {
                          splMain->setSizes({treeWidth, std::max(0, splMain->width() - splMain->handleWidth() - treeWidth)});
                      },
                      [this](QObject* watched, QKeyEvent* key) {
                          bool handled = false;
                          RunGuarded([&] {
                              handled = tasks_->edTaskPlacesKeyDown(watched, key->key(), key->modifiers());
                          });
                          return handled;
                      }};
    desktop_ = new TDesktopIntegration(*this, state_, Services(), std::move(host));

    Options1 = new QAction(QStringLiteral("Options..."), this);
    Options1->setObjectName(QStringLiteral("Options1"));
    connect(Options1, &QAction::triggered, this, [this] { RunGuarded([this] { Options1Click(); }); });

    SetOneClickEditMode(true);
}

// ---- Loading and saving ----

namespace {

TInstallationSettings CurrentSettings(const TfrmTovrinMain& w)
{
    TInstallationSettings s;
    const TDesktopIntegration& d = w.Desktop();
    s.ShowInTray = d.ShowInTray();
    s.MinimizeToTray = d.MinimizeToTray();
    s.CloseToTray = d.CloseToTray();
    s.EscMinimizeApp = d.EscMinimizeApp();
    s.OneClickEditMode = w.OneClickEditMode;
    s.HotKeyActive = d.HotKeyActive();
    s.SaveWndPosition = d.SaveWndPosition();
    s.Placement = d.Placement();
    s.AutoSaveMode = d.AutoSaveMode();
    s.HotKeyChar = d.HotKeyChar();
    s.HotKeyShifts = d.HotKeyShifts();
    s.TasksFont = w.TasksFont;
    s.TasksColor = w.TasksColor;
    s.NoteFont = w.NoteFont;
    s.NoteColor = w.NoteColor;
    s.LastDBFile = w.Document().LastDBFile();
    return s;
}

} // namespace

void TfrmTovrinMain::LoadSettings()
{
    TInstallationSettings s = CurrentSettings(*this);
    // The designed fonts and colours are the defaults.
    s.TasksFont = DefaultTasksFont;
    s.TasksColor = DefaultTasksColor;
    s.NoteFont = DefaultNoteFont;
    s.NoteColor = DefaultNoteColor;
    {
        auto store = OpenInstallationSettings(environment_.SettingsFile);
        LoadInstallationSettings(*store, s);
    }
    desktop_->SetShowInTray(s.ShowInTray);
    desktop_->SetMinimizeToTray(s.MinimizeToTray);
    desktop_->SetCloseToTray(s.CloseToTray);
    desktop_->SetEscMinimizeApp(s.EscMinimizeApp);
    SetOneClickEditMode(s.OneClickEditMode);
    desktop_->SetHotKeyActive(s.HotKeyActive);
    desktop_->SetSaveWndPosition(s.SaveWndPosition);
    desktop_->SetAutoSaveMode(s.AutoSaveMode);
    desktop_->SetPlacement(s.Placement);
    desktop_->SetHotKeyChar(s.HotKeyChar);
    desktop_->SetHotKeyShifts(s.HotKeyShifts);
    SetTasksFont(s.TasksFont, s.TasksColor);
    SetNoteFont(s.NoteFont, s.NoteColor);
    Document().SetLastDBFile(s.LastDBFile);
}

void TfrmTovrinMain::SaveSettings()
{
    auto store = OpenInstallationSettings(environment_.SettingsFile);
    desktop_->StoreWindowPlacement();
    Document().SetLastDBFile(Document().FileName());
    SaveInstallationSettings(*store, CurrentSettings(*this));
    // A changed key takes effect at once.
    desktop_->UnregisterSystemHotKey();
    if (desktop_->HotKeyActive())
        desktop_->RegisterSystemHotKey();
}

// ---- Setting setters ----

void TfrmTovrinMain::SetOneClickEditMode(bool Value)
{
    OneClickEditMode = Value;
}

void TfrmTovrinMain::SetTasksFont(const TFontDesc& Font, int32_t Color)
{
    TasksFont = Font;
    TasksColor = Color;
    for (QWidget* control : std::initializer_list<QWidget*>{views_->tvTasksTree(), toDo_->tvToDo(), places_->lvPlaces(), places_->lvIncludedPlaces()})
        ApplyFontAndColor(control, Font, Color);
}

void TfrmTovrinMain::SetNoteFont(const TFontDesc& Font, int32_t Color)
{
    NoteFont = Font;
    NoteColor = Color;
    for (QWidget* control : std::initializer_list<QWidget*>{tasks_->TaskNotesEditor(), places_->PlaceNotesEditor()})
        ApplyFontAndColor(control, Font, Color);
}

// ---- Links ----

void TfrmTovrinMain::OpenLink(const std::string& URL)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(URL)));
}
