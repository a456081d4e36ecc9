#include "ui/options/frmOptAutoSave.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/desktop/AutoSave.h"
#include "ui/options/OptionsSheetRegistry.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/options/WindowOptions.h"
#include "ui/desktop/DesktopIntegration.h"

namespace {

// The name this unit registered its sheet under; made on first use, as units start in any order.
std::string& RegisteredName()
{
    static std::string name;
    return name;
}

} // namespace

TOptionsAutoSave::TOptionsAutoSave(TTovrinOptions* Owner) : TOptionsSheetBase(Owner)
{
    HideSubentryHint();
    rgAutoSave = new QGroupBox(QStringLiteral(" Autosave current DB file  "), this);
    rgAutoSave->setObjectName(QStringLiteral("rgAutoSave"));
    rgAutoSaveButtons = new QButtonGroup(this);
    auto* groupLayout = new QVBoxLayout(rgAutoSave);
    int id = 0;
    for (const char* caption : {"Never", "When switch to other application", "Every 5 minutes"}) {
        auto* button = new QRadioButton(QString::fromLatin1(caption), rgAutoSave);
        rgAutoSaveButtons->addButton(button, id++);
        groupLayout->addWidget(button);
    }
    SheetLayout()->addWidget(rgAutoSave);
    SheetLayout()->addStretch(1);
    {
        TSheetLock lock(*this);
        if (TWindowOptions* options = WindowOptions())
            SetItemIndex(options->Desktop().AutoSaveMode());
    }
    connect(rgAutoSaveButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked && !UILocked())
            SetModified(true);
    });
}

TOptionsSheetBase* TOptionsAutoSave::CreateSheet(TTovrinOptions* Owner)
{
    return new TOptionsAutoSave(Owner);
}

int32_t TOptionsAutoSave::ItemIndex() const
{
    return rgAutoSaveButtons->checkedId();
}

void TOptionsAutoSave::SetItemIndex(int32_t Index)
{
    if (QAbstractButton* button = rgAutoSaveButtons->button(Index))
        button->setChecked(true);
}

void TOptionsAutoSave::Apply()
{
    TWindowOptions* options = WindowOptions();
    if (!options)
        return;
    options->Desktop().SetAutoSaveMode(ValidAutoSaveMode(ItemIndex()));
    options->SaveSettings();
    SetModified(false);
}

void RegisterAutoSaveSheet()
{
    RegisteredName() = RegisterOptionsSheet("General Application Options", "Autosave files", &TOptionsAutoSave::CreateSheet);
}

void UnregisterAutoSaveSheet()
{
    UnregisterOptionsSheet(RegisteredName());
}
