#include "ui/outline/frmSortSubtasksOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

struct TKeyText {
    int32_t Code;
    const char* Text;
};

constexpr TKeyText KeyTexts[] = {
    {skDateCompleted, "Date Completed"}, {skGoalImportance, "Goal/Importance"}, {skDueDate, "Due date"},
    {skEffort, "Effort"},                {skSatisfaction, "Satisfaction"},     {skAlphabetical, "Alphabetical"},
};

} // namespace

TfrmSortOptions::TfrmSortOptions() : QDialog(nullptr)
{
    setWindowTitle(QStringLiteral("Sort subtasks options"));
    auto* layout = new QVBoxLayout(this);
    QGroupBox** boxes[4] = {&gbFirsSort, &gbSort2, &gbSort3, &gbSort4};
    for (int level = 0; level < 4; ++level) {
        auto* box = new QGroupBox(level == 0 ? QStringLiteral(" Sort sub tasks by ") : QStringLiteral(" then by "), this);
        box->setObjectName(level == 0 ? QStringLiteral("gbFirsSort") : QStringLiteral("gbSort%1").arg(level + 1));
        *boxes[level] = box;
        auto* row = new QHBoxLayout(box);
        cbSort[level] = new QComboBox(box);
        cbSort[level]->setObjectName(QStringLiteral("cbSort%1").arg(level + 1));
        rbASort[level] = new QRadioButton(QStringLiteral("Ascending "), box);
        rbASort[level]->setObjectName(QStringLiteral("rbASort%1").arg(level + 1));
        rbDSort[level] = new QRadioButton(QStringLiteral("Descending"), box);
        rbDSort[level]->setObjectName(QStringLiteral("rbDSort%1").arg(level + 1));
        rbASort[level]->setChecked(true);
        row->addWidget(cbSort[level], 1);
        row->addWidget(rbASort[level]);
        row->addWidget(rbDSort[level]);
        layout->addWidget(box);
    }
    cbRecurse = new QCheckBox(QStringLiteral("Recursively to all subtasks"), this);
    cbRecurse->setObjectName(QStringLiteral("cbRecurse"));
    layout->addWidget(cbRecurse);
    Label1 = new QLabel(QStringLiteral("Note: You can not undo this action"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::gray);
    Label1->setPalette(palette);
    layout->addWidget(Label1);
    auto* buttons = new QHBoxLayout();
    btnSort = new QPushButton(QStringLiteral("Sort now"), this);
    btnSort->setObjectName(QStringLiteral("btnSort"));
    btnSort->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnSort);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnSort, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void TfrmSortOptions::FormCreate()
{
    for (int level = 0; level < 4; ++level) {
        QComboBox* list = cbSort[level];
        list->clear();
        if (level > 0)
            list->addItem(QStringLiteral("<none>"), skNone);
        for (const TKeyText& key : KeyTexts)
            list->addItem(QString::fromLatin1(key.Text), key.Code);
        list->setCurrentIndex(0);
    }
}

void TfrmSortOptions::SetKeys(const int32_t (&Keys)[4])
{
    for (int level = 0; level < 4; ++level) {
        const int index = cbSort[level]->findData(std::abs(Keys[level]));
        cbSort[level]->setCurrentIndex(index >= 0 ? index : 0);
        if (Keys[level] > 0)
            rbASort[level]->setChecked(true);
        else
            rbDSort[level]->setChecked(true);
    }
}

void TfrmSortOptions::GetKeys(int32_t (&Keys)[4]) const
{
    for (int level = 0; level < 4; ++level) {
        const int32_t code = cbSort[level]->currentData().toInt();
        Keys[level] = rbASort[level]->isChecked() ? code : -code;
    }
}

bool TfrmSortOptions::Execute(int32_t& Key1, int32_t& Key2, int32_t& Key3, int32_t& Key4, bool& Recursive)
{
    TfrmSortOptions dialog;
    dialog.SetKeys({Key1, Key2, Key3, Key4});
    dialog.cbRecurse->setChecked(false);  // opens unchecked every time, whatever was chosen before
    if (dialog.exec() != QDialog::Accepted)
        return false;
    int32_t keys[4];
    dialog.GetKeys(keys);
    Key1 = keys[0];
    Key2 = keys[1];
    Key3 = keys[2];
    Key4 = keys[3];
    Recursive = dialog.cbRecurse->isChecked();
    return true;
}
