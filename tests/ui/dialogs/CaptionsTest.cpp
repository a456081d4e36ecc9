// The texts the program shows in its dialogs, menus and sheets, pinned in one table.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "ui/controls/RadioGroup.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/sync/SyncCommands.h"
#include "ui/sync/frmConnectToMsOutlook.h"
#include "ui/options/frmOptAutoSave.h"
#include "ui/options/frmOptionsDBFileMode.h"
#include "ui/sync/frmOutlookSyncOptions.h"
#include "ui/places/frmSelectPlaces.h"
#include "ui/outline/frmSortSubtasksOptions.h"
#include "ui/options/frmTovrinOptions.h"

namespace {

std::string Joined(const QStringList& texts) { return texts.join(" | ").toStdString(); }

std::string Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return Joined(items);
}

template <class W>
std::string ChildTexts(const QWidget* parent)
{
    QStringList texts;
    for (const W* child : parent->findChildren<W*>())
        texts << child->text();
    return Joined(texts);
}

using CaptionsTest = TWindowFixture;

TEST_F(CaptionsTest, TheTextsTheProgramShows)
{
    Names shown;
    auto add = [&](const char* where, const std::string& text) { shown.push_back(std::string(where) + ": " + text); };
    auto addQ = [&](const char* where, const QString& text) { add(where, text.toStdString()); };

    for (const QAction* menu : window->menuBar()->actions()) {
        QStringList items;
        for (const QAction* action : menu->menu()->actions())
            items << (action->isSeparator() ? "-" : action->text());
        add("menu", menu->text().toStdString() + ": " + Joined(items));
    }
    const QLabel* projectColor = Named<QLabel>(*window, "lbProjectColor");
    add("project color", projectColor->text().toStdString() + " " +
                             projectColor->palette().color(QPalette::WindowText).name().toStdString());
    QStringList tray;
    for (const QAction* action : window->Part<TDesktopIntegration>().pmnuTray()->actions())
        tray << (action->isSeparator() ? "-" : action->text());
    add("tray menu", Joined(tray));
    addQ("tray default", window->Part<TDesktopIntegration>().pmnuTray()->defaultAction()->text());

    TfrmSortOptions sort;
    addQ("sort", sort.windowTitle());
    add("sort keys", Items(Named<QComboBox>(sort, "cbSort1")));
    add("sort keys below", Items(Named<QComboBox>(sort, "cbSort4")));

    QLineEdit target;
    QPointer<TSelectPlacesWnd> picker = CreateSelectPlacesWnd(&target);
    addQ("places picker", picker->windowTitle());
    delete picker.data();

    QPointer<TAboutDlg> about = ShowAbout();
    auto label = [](const QWidget& dialog, const char* name) { return Named<QLabel>(dialog, name)->text(); };
    add("about", Joined({about->windowTitle(), label(*about, "lbVersion"), label(*about, "lbURL"), label(*about, "lbSupportEMail")}));
    Named<QPushButton>(*about, "Button1")->click();
    delete about.data();

    TTovrinOptions options(&window->Part<TWindowOptions>());
    addQ("options", options.windowTitle());
    auto* optionsTree = Named<QTreeWidget>(options, "tvOptions");
    optionsTree->setCurrentItem(options.FindNode("General Application Options"));
    add("options group", ChildTexts<QLabel>(options.CurrentSheet()));
    optionsTree->setCurrentItem(options.FindNode("Appearance"));
    auto* appearance = dynamic_cast<TOptionsDBFileMode*>(options.CurrentSheet());
    add("appearance presets", Items(Named<QComboBox>(*appearance, "cbQuickSetup")));
    addQ("appearance panel", Named<QCheckBox>(*appearance, "cbShowTaskProperties")->text());
    optionsTree->setCurrentItem(options.FindNode("Autosave files"));
    addQ("autosave", Named<QGroupBox>(*dynamic_cast<TOptionsAutoSave*>(options.CurrentSheet()), "rgAutoSave")->title());

    TfrmOutlookSyncOptions syncOptions;
    addQ("sync options", syncOptions.windowTitle());
    const QTabWidget* syncPages = Named<QTabWidget>(syncOptions, "pcPages");
    add("sync pages", Joined({syncPages->tabText(0), syncPages->tabText(1)}));
    add("sync general", ChildTexts<QLabel>(Named<QWidget>(syncOptions, "tshGeneral")));
    add("sync category", ChildTexts<QLabel>(Named<QWidget>(syncOptions, "tshCategory")));
    addQ("sync deleted", Named<QGroupBox>(syncOptions, "gbDeletedItems")->title());
    add("sync deleted label", ChildTexts<QLabel>(Named<QGroupBox>(syncOptions, "gbDeletedItems")));
    add("sync deleted actions", Items(Named<QComboBox>(syncOptions, "cbDeletedItemsAction")));
    auto button = [](const QWidget& dialog, const char* name) { return Named<QPushButton>(dialog, name)->text(); };
    add("sync buttons", Joined({button(syncOptions, "btnOK"), button(syncOptions, "btnCancel")}));

    TfrmConnectToMsOutlook connect(window->Part<TSyncCommands>());
    addQ("connect", connect.windowTitle());
    add("connect folder", Joined({label(connect, "lbOutlookFolder"), button(connect, "btnBrowse")}));
    const TRadioGroup* syncAction = Named<TRadioGroup>(connect, "rgSyncAction");
    addQ("connect action", syncAction->title());
    add("connect modes", ChildTexts<QRadioButton>(syncAction));
    add("connect buttons", Joined({button(connect, "btnSyncNow"), button(connect, "btnClose"), button(connect, "btnAdvanced")}));
    const QLabel* openLog = Named<QLabel>(connect, "lbOpenSyncLog");
    add("connect log", Joined({openLog->text(), openLog->toolTip()}));

    EXPECT_EQ(shown, (Names{
        "menu: &File: New | New demo | Open... | Save | Save as... | - | Import... | Export... | - | "
        "Setup Outlook sync... | Quick Outlook sync | - | Exit",
        "menu: &Edit: Can't undo | Redo | - | Back | Forward | - | Find... | Find next",
        "menu: &Tools: Options...",
        "menu: &Help: How it works... | Visit Tovrin Web Site | Send feedback, Propose new feature... | - | About...",
        "project color: Projects are shown in this color in the task tree #0000ff",
        "tray menu: Show | - | Exit",
        "tray default: Show",
        "sort: Sort subtasks options",
        "sort keys: Date Completed | Goal/Importance | Due date | Effort | Satisfaction | Alphabetical",
        "sort keys below: <none> | Date Completed | Goal/Importance | Due date | Effort | Satisfaction | Alphabetical",
        "places picker: Select Places",
        "about: About Tovrin | 1.0.10 | https://tovrin.org | support@tovrin.org",
        "options: Options",
        "options group: Please select a subentry for options",
        "appearance presets: Simple checklist tree | Simple ToDo list | Advanced ToDo list | Full mode",
        "appearance panel: Show Task properties ",
        "autosave:  Autosave current DB file  ",
        "sync options: Outlook Sync Options",
        "sync pages: General | Outlook Category",
        "sync general: New Outlook tasks will be placed to this Tovrin project (root if empty):",
        "sync category: Sync only Outlook tasks with this substring in the category: | "
        "Enter a substring to find in the Outlook category to sync this task | "
        " or leave this field empty to sync all Outlook tasks  | Assign this category for deleted in Tovrin tasks:",
        "sync deleted:  When task is deleted  in Tovrin ... ",
        "sync deleted label: Assign this category for deleted in Tovrin tasks:",
        "sync deleted actions: delete it in Outlook | do not delete it in Outlook but assign new category to it: ",
        "sync buttons: OK | Cancel",
        "connect: Exchange data with Outlook",
        "connect folder: Outlook folder: | &Browse...",
        "connect action:  Tasks synchronization action  ",
        "connect modes: Outlook ->  Tovrin      (Copy Outlook tasks to Tovrin) | "
        "Tovrin   ->  Outlook    (Copy Tovrin tasks to Outlook) | Tovrin <--> Outlook    (Synchronize tasks)",
        "connect buttons: Sync now | Close | Advanced...",
        "connect log: <a href=\"#\">Open sync log</a> | Opens sync log file",
    }));
}

} // namespace
