#include "ui/outline/frmFindNext.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

bool FindNextEnabled(const std::string& Text, bool InCaptions, bool InNotes)
{
    return (InCaptions || InNotes) && !Text.empty();
}

TfrmFindNexDlg::TfrmFindNexDlg() : QDialog(nullptr)
{
    setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Find what:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    edFindWhat = new QLineEdit(this);
    edFindWhat->setObjectName(QStringLiteral("edFindWhat"));
    Label1->setBuddy(edFindWhat);
    layout->addWidget(Label1);
    layout->addWidget(edFindWhat);
    GroupBox1 = new QGroupBox(QStringLiteral(" Look at "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* look = new QHBoxLayout(GroupBox1);
    cbCaptions = new QCheckBox(QStringLiteral("Captions"), GroupBox1);
    cbCaptions->setObjectName(QStringLiteral("cbCaptions"));
    cbNotes = new QCheckBox(QStringLiteral("Notes"), GroupBox1);
    cbNotes->setObjectName(QStringLiteral("cbNotes"));
    look->addWidget(cbCaptions);
    look->addWidget(cbNotes);
    layout->addWidget(GroupBox1);
    auto* buttons = new QHBoxLayout();
    btnFind = new QPushButton(QStringLiteral("Find next"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnFind);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnFind, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edFindWhat, &QLineEdit::textChanged, this, [this] { OnChange(); });
    connect(cbCaptions, &QCheckBox::toggled, this, [this] { OnChange(); });
    connect(cbNotes, &QCheckBox::toggled, this, [this] { OnChange(); });
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void TfrmFindNexDlg::SetValues(const std::string& Text, bool InCaptions, bool InNotes)
{
    cbCaptions->setChecked(InCaptions);
    cbNotes->setChecked(InNotes);
    edFindWhat->setText(QString::fromStdString(Text));
    // Filling may change nothing (empty text, both boxes clear); the button must still agree.
    OnChange();
    edFindWhat->selectAll();
    edFindWhat->setFocus();
}

void TfrmFindNexDlg::OnChange()
{
    btnFind->setEnabled(
        FindNextEnabled(edFindWhat->text().toStdString(), cbCaptions->isChecked(), cbNotes->isChecked()));
}

bool TfrmFindNexDlg::Execute(std::string& Text, bool& InCaptions, bool& InNotes)
{
    TfrmFindNexDlg dialog;
    dialog.SetValues(Text, InCaptions, InNotes);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    InCaptions = dialog.cbCaptions->isChecked();
    InNotes = dialog.cbNotes->isChecked();
    Text = dialog.edFindWhat->text().toStdString();
    return true;
}
