#include "ui/options/frmOptInterface.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/desktop/HotKey.h"
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

TfrmOptionsInterface::TfrmOptionsInterface(TTovrinOptions* Owner) : TOptionsSheetBase(Owner)
{
    HideSubentryHint();
    QVBoxLayout* layout = SheetLayout();
    auto box = [this](QCheckBox*& target, const char* name, const char* caption, QWidget* parent) {
        target = new QCheckBox(QString::fromLatin1(caption), parent);
        target->setObjectName(QString::fromLatin1(name));
        connect(target, &QCheckBox::toggled, this, [this] { RunGuarded([this] { Changed(); }); });
        return target;
    };
    layout->addWidget(box(cbShowInTray, "cbShowInTray", "Always show icon in system tray", this));
    layout->addWidget(box(cbMinimizeToTray, "cbMinimizeToTray", "Minimize to system tray", this));
    layout->addWidget(box(cbCloseToTray, "cbCloseToTray", "Close to system tray", this));
    layout->addWidget(box(cbEscMinimizeApp, "cbEscMinimizeApp", "Escape minimizes the application", this));
    layout->addWidget(box(cbOneClickEditMode, "cbOneClickEditMode", "One click edit mode", this));
    layout->addWidget(box(cbSaveWndPosition, "cbSaveWndPosition", "Save window position", this));
    layout->addWidget(box(cbHotKeyActive, "cbHotKeyActive", "System Shortcut Key", this));
    connect(cbHotKeyActive, &QCheckBox::toggled, this, [this] { RunGuarded([this] { cbHotKeyActiveClick(); }); });

    gbShortCut = new QGroupBox(this);
    gbShortCut->setObjectName(QStringLiteral("gbShortCut"));
    auto* keyLayout = new QHBoxLayout(gbShortCut);
    keyLayout->addWidget(box(cbCtrlKey, "cbCtrlKey", "Ctrl", gbShortCut));
    keyLayout->addWidget(box(cbAltKey, "cbAltKey", "Alt", gbShortCut));
    keyLayout->addWidget(box(cbShiftKey, "cbShiftKey", "Shift", gbShortCut));
    keyLayout->addWidget(box(cbWinKey, "cbWinKey", "Windows", gbShortCut));
    edHotKeyChar = new QLineEdit(gbShortCut);
    edHotKeyChar->setObjectName(QStringLiteral("edHotKeyChar"));
    edHotKeyChar->setMaxLength(1);
    edHotKeyChar->setFixedWidth(edHotKeyChar->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
    keyLayout->addWidget(edHotKeyChar);
    keyLayout->addStretch(1);
    connect(edHotKeyChar, &QLineEdit::textChanged, this, [this] { RunGuarded([this] { Changed(); }); });
    layout->addWidget(gbShortCut);
    layout->addStretch(1);
    FormCreate();
}

TOptionsSheetBase* TfrmOptionsInterface::CreateSheet(TTovrinOptions* Owner)
{
    return new TfrmOptionsInterface(Owner);
}

void TfrmOptionsInterface::FormCreate()
{
    TSheetLock lock(*this);
    if (TWindowOptions* options = WindowOptions()) {
        cbShowInTray->setChecked(options->Desktop().ShowInTray());
        cbMinimizeToTray->setChecked(options->Desktop().MinimizeToTray());
        cbCloseToTray->setChecked(options->Desktop().CloseToTray());
        cbEscMinimizeApp->setChecked(options->Desktop().EscMinimizeApp());
        cbOneClickEditMode->setChecked(options->OneClickEditMode());
        cbHotKeyActive->setChecked(options->Desktop().HotKeyActive());
        cbSaveWndPosition->setChecked(options->Desktop().SaveWndPosition());
        edHotKeyChar->setText(QString::fromStdString(options->Desktop().HotKeyChar()));
        cbAltKey->setChecked(options->Desktop().HotKeyShifts() & hkAlt);
        cbCtrlKey->setChecked(options->Desktop().HotKeyShifts() & hkCtrl);
        cbShiftKey->setChecked(options->Desktop().HotKeyShifts() & hkShift);
        cbWinKey->setChecked(options->Desktop().HotKeyShifts() & hkWin);
    }
    cbHotKeyActiveClick();
}

void TfrmOptionsInterface::Changed()
{
    if (!UILocked())
        SetModified(true);
}

void TfrmOptionsInterface::cbHotKeyActiveClick()
{
    const bool active = cbHotKeyActive->isChecked();
    gbShortCut->setEnabled(active);
    for (QWidget* control : std::initializer_list<QWidget*>{edHotKeyChar, cbAltKey, cbCtrlKey, cbShiftKey, cbWinKey})
        control->setEnabled(active);
}

void TfrmOptionsInterface::Apply()
{
    TWindowOptions* options = WindowOptions();
    if (!options)
        return;
    options->Desktop().SetShowInTray(cbShowInTray->isChecked());
    options->Desktop().SetMinimizeToTray(cbMinimizeToTray->isChecked());
    options->Desktop().SetCloseToTray(cbCloseToTray->isChecked());
    options->Desktop().SetEscMinimizeApp(cbEscMinimizeApp->isChecked());
    options->SetOneClickEditMode(cbOneClickEditMode->isChecked());
    options->Desktop().SetHotKeyActive(cbHotKeyActive->isChecked());
    options->Desktop().SetSaveWndPosition(cbSaveWndPosition->isChecked());
    // An empty edit keeps the key as it was, modifiers included.
    const std::string hotKeyChar = HotKeyCharFromText(edHotKeyChar->text().toStdString());
    if (!hotKeyChar.empty()) {
        options->Desktop().SetHotKeyChar(hotKeyChar);
        options->Desktop().SetHotKeyShifts(HotKeyShiftsFromBoxes(cbAltKey->isChecked(), cbCtrlKey->isChecked(),
                                                    cbShiftKey->isChecked(), cbWinKey->isChecked()));
    }
    options->SaveSettings();
    SetModified(false);
}

void RegisterInterfaceSheet()
{
    RegisteredName() = RegisterOptionsSheet("General Application Options", "Behaviour", &TfrmOptionsInterface::CreateSheet);
}

void UnregisterInterfaceSheet()
{
    UnregisterOptionsSheet(RegisteredName());
}
