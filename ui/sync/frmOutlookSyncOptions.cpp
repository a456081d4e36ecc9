#include "ui/sync/frmOutlookSyncOptions.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

QLabel* HintLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::gray);
    label->setPalette(palette);
    return label;
}

} // namespace

TfrmOutlookSyncOptions::TfrmOutlookSyncOptions() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("frmOutlookSyncOptions"));
    setWindowTitle(QStringLiteral("Outlook Sync Options"));
    auto* layout = new QVBoxLayout(this);
    pcPages = new QTabWidget(this);
    pcPages->setObjectName(QStringLiteral("pcPages"));
    layout->addWidget(pcPages, 1);

    tshGeneral = new QWidget();
    tshGeneral->setObjectName(QStringLiteral("tshGeneral"));
    auto* general = new QVBoxLayout(tshGeneral);
    general->addWidget(new QLabel(QStringLiteral("New Outlook tasks will be placed to this Tovrin project (root if empty):"),
                                  tshGeneral));
    edNewOutlookTasksParent = new QLineEdit(tshGeneral);
    edNewOutlookTasksParent->setObjectName(QStringLiteral("edNewOutlookTasksParent"));
    general->addWidget(edNewOutlookTasksParent);
    general->addStretch(1);
    pcPages->addTab(tshGeneral, QStringLiteral("General"));

    tshCategory = new QWidget();
    tshCategory->setObjectName(QStringLiteral("tshCategory"));
    auto* category = new QVBoxLayout(tshCategory);
    category->addWidget(new QLabel(QStringLiteral("Sync only Outlook tasks with this substring in the category:"), tshCategory));
    edOutlookCategory = new QLineEdit(tshCategory);
    edOutlookCategory->setObjectName(QStringLiteral("edOutlookCategory"));
    category->addWidget(edOutlookCategory);
    category->addWidget(HintLabel(QStringLiteral("Enter a substring to find in the Outlook category to sync this task"), tshCategory));
    category->addWidget(HintLabel(QStringLiteral(" or leave this field empty to sync all Outlook tasks "), tshCategory));
    gbDeletedItems = new QGroupBox(QStringLiteral(" When task is deleted  in Tovrin ... "), tshCategory);
    gbDeletedItems->setObjectName(QStringLiteral("gbDeletedItems"));
    auto* deleted = new QVBoxLayout(gbDeletedItems);
    cbDeletedItemsAction = new QComboBox(gbDeletedItems);
    cbDeletedItemsAction->setObjectName(QStringLiteral("cbDeletedItemsAction"));
    cbDeletedItemsAction->addItem(QStringLiteral("delete it in Outlook"));
    cbDeletedItemsAction->addItem(QStringLiteral("do not delete it in Outlook but assign new category to it: "));
    deleted->addWidget(cbDeletedItemsAction);
    lbDeletedItemsCategory = new QLabel(QStringLiteral("Assign this category for deleted in Tovrin tasks:"), gbDeletedItems);
    lbDeletedItemsCategory->setObjectName(QStringLiteral("lbDeletedItemsCategory"));
    deleted->addWidget(lbDeletedItemsCategory);
    edDeletedItemsCategory = new QLineEdit(gbDeletedItems);
    edDeletedItemsCategory->setObjectName(QStringLiteral("edDeletedItemsCategory"));
    deleted->addWidget(edDeletedItemsCategory);
    category->addWidget(gbDeletedItems);
    category->addStretch(1);
    pcPages->addTab(tshCategory, QStringLiteral("Outlook Category"));

    auto* buttons = new QHBoxLayout();
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbDeletedItemsAction, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(edDeletedItemsCategory, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
    UpdateControls();

    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void TfrmOutlookSyncOptions::UpdateControls()
{
    const bool assign = cbDeletedItemsAction->currentIndex() == 1;
    lbDeletedItemsCategory->setEnabled(assign);
    edDeletedItemsCategory->setEnabled(assign);
    btnOK->setEnabled(!assign || !edDeletedItemsCategory->text().trimmed().isEmpty());
}

void TfrmOutlookSyncOptions::SetValues(const std::string& NewOutlookTasksParent, const std::string& OutlookCategory,
                                       const std::string& DeletedItemsCategory)
{
    edNewOutlookTasksParent->setText(Q(NewOutlookTasksParent));
    edOutlookCategory->setText(Q(OutlookCategory));
    edDeletedItemsCategory->setText(Q(DeletedItemsCategory));
    cbDeletedItemsAction->setCurrentIndex(DeletedItemsCategory.empty() ? 0 : 1);
    UpdateControls();
}

void TfrmOutlookSyncOptions::GetValues(std::string& NewOutlookTasksParent, std::string& OutlookCategory,
                                       std::string& DeletedItemsCategory) const
{
    NewOutlookTasksParent = edNewOutlookTasksParent->text().toStdString();
    OutlookCategory = edOutlookCategory->text().toStdString();
    DeletedItemsCategory =
        cbDeletedItemsAction->currentIndex() == 1 ? edDeletedItemsCategory->text().toStdString() : std::string();
}

bool TfrmOutlookSyncOptions::Execute(std::string& NewOutlookTasksParent, std::string& OutlookCategory,
                                     std::string& DeletedItemsCategory)
{
    TfrmOutlookSyncOptions dialog;
    dialog.SetValues(NewOutlookTasksParent, OutlookCategory, DeletedItemsCategory);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.GetValues(NewOutlookTasksParent, OutlookCategory, DeletedItemsCategory);
    return true;
}
