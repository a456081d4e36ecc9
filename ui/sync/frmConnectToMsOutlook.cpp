#include "ui/sync/frmConnectToMsOutlook.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "outlooksync/SyncLog.h"
#include "outlooksync/VdirTaskStore.h"
#include "platform/FileUtils.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/RadioGroup.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/sync/SyncCommands.h"
#include "ui/sync/frmOutlookSyncOptions.h"

std::string DirectoryFromFolderPath(const std::string& FolderPath)
{
    std::string directory;
    for (char c : FolderPath) {
        const char next = c == '\\' ? '/' : c;
        if (next == '/' && !directory.empty() && directory.back() == '/')
            continue;  // doubled separators name the same folder
        directory += next;
    }
    if (directory.empty() || directory.front() != '/')
        directory.insert(directory.begin(), '/');
    if (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    return directory;
}

TfrmConnectToMsOutlook::TfrmConnectToMsOutlook(TSyncCommands& Sync) : QDialog(nullptr), sync_(Sync)
{
    setObjectName(QStringLiteral("frmConnectToMsOutlook"));
    setWindowTitle(QStringLiteral("Exchange data with Outlook"));
    auto* layout = new QVBoxLayout(this);

    lbOutlookFolder = new QLabel(QStringLiteral("Outlook folder:"), this);
    lbOutlookFolder->setObjectName(QStringLiteral("lbOutlookFolder"));
    layout->addWidget(lbOutlookFolder);
    auto* folderRow = new QHBoxLayout();
    edOutlookFolder = new QLineEdit(this);
    edOutlookFolder->setObjectName(QStringLiteral("edOutlookFolder"));
    edOutlookFolder->setReadOnly(true);
    edOutlookFolder->setMinimumWidth(320);
    btnBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setAutoDefault(false);
    folderRow->addWidget(edOutlookFolder, 1);
    folderRow->addWidget(btnBrowse);
    layout->addLayout(folderRow);

    rgSyncAction = new TRadioGroup(QStringLiteral(" Tasks synchronization action  "),
                                   {QStringLiteral("Outlook ->  Tovrin      (Copy Outlook tasks to Tovrin)"),
                                    QStringLiteral("Tovrin   ->  Outlook    (Copy Tovrin tasks to Outlook)"),
                                    QStringLiteral("Tovrin <--> Outlook    (Synchronize tasks)")},
                                   this);
    rgSyncAction->setObjectName(QStringLiteral("rgSyncAction"));
    rgSyncAction->SetItemIndex(2);
    layout->addWidget(rgSyncAction);

    auto* buttons = new QHBoxLayout();
    lbOpenSyncLog = new QLabel(QStringLiteral("<a href=\"#\">Open sync log</a>"), this);
    lbOpenSyncLog->setObjectName(QStringLiteral("lbOpenSyncLog"));
    lbOpenSyncLog->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    lbOpenSyncLog->setToolTip(QStringLiteral("Opens sync log file"));
    buttons->addWidget(lbOpenSyncLog);
    buttons->addStretch(1);
    btnSyncNow = new QPushButton(QStringLiteral("Sync now"), this);
    btnSyncNow->setObjectName(QStringLiteral("btnSyncNow"));
    btnSyncNow->setDefault(true);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    btnAdvanced = new QPushButton(QStringLiteral("Advanced..."), this);
    btnAdvanced->setObjectName(QStringLiteral("btnAdvanced"));
    btnAdvanced->setAutoDefault(false);
    buttons->addWidget(btnSyncNow);
    buttons->addWidget(btnClose);
    buttons->addWidget(btnAdvanced);
    layout->addLayout(buttons);

    connect(btnBrowse, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnBrowseClick(); }); });
    connect(btnSyncNow, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnSyncNowClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnAdvanced, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnAdvancedClick(); }); });
    connect(lbOpenSyncLog, &QLabel::linkActivated, this, [this] { RunGuarded([this] { lbOpenSyncLogClick(); }); });
    connect(edOutlookFolder, &QLineEdit::textChanged, this,
            [this] { btnSyncNow->setEnabled(!edOutlookFolder->text().isEmpty()); });

    SetFolderPath(sync_.State().DataBase->OutlookFolderPath);
    btnSyncNow->setEnabled(!edOutlookFolder->text().isEmpty());

    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

bool TfrmConnectToMsOutlook::Execute(TSyncCommands& Sync)
{
    TfrmConnectToMsOutlook dialog(Sync);
    dialog.exec();
    return dialog.Synchronized;
}

std::string TfrmConnectToMsOutlook::FolderPath() const
{
    return edOutlookFolder->text().toStdString();
}

void TfrmConnectToMsOutlook::SetFolderPath(const std::string& Path)
{
    edOutlookFolder->setText(QString::fromStdString(Path));
}

int TfrmConnectToMsOutlook::Mode() const
{
    return rgSyncAction->ItemIndex();
}

void TfrmConnectToMsOutlook::btnBrowseClick()
{
    std::string directory = FolderPath().empty() ? std::string() : DirectoryFromFolderPath(FolderPath());
    if (sync_.Services().ExecuteFolderDialog(directory) && !directory.empty())
        SetFolderPath(FolderPathFromDirectory(directory));
}

void TfrmConnectToMsOutlook::btnSyncNowClick()
{
    if (FolderPath().empty() || Mode() < 0)
        return;
    if (!sync_.QuickOutlookSync(this, FolderPath(), Mode()))
        return;  // the run said why; the user may pick another folder or try again
    Synchronized = true;
    accept();
}

void TfrmConnectToMsOutlook::btnAdvancedClick()
{
    TTovrinDataBase& db = *sync_.State().DataBase;
    std::string parent = db.NewOutlookTasksParent;
    std::string category = db.OutlookCategory;
    std::string deletedCategory = db.DeletedItemsCategory;
    if (!TfrmOutlookSyncOptions::Execute(parent, category, deletedCategory))
        return;
    if (parent == db.NewOutlookTasksParent && category == db.OutlookCategory &&
        deletedCategory == db.DeletedItemsCategory)
        return;
    db.SetNewOutlookTasksParent(parent);
    db.SetOutlookCategory(category);
    db.SetDeletedItemsCategory(deletedCategory);
    sync_.SetModified(true);  // the options are stored with the outline
}

void TfrmConnectToMsOutlook::lbOpenSyncLogClick()
{
    const std::string path = sync_.Untitled() ? std::string() : SyncLogPathFor(sync_.FileName());
    if (path.empty() || !FileExists(path) ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
        sync_.Services().ShowError("Can not open log file: \"" + path + "\"");
}
