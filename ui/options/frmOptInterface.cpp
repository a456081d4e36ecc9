#include "ui/options/frmOptInterface.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/desktop/HotKey.h"
#include "ui/options/OptionsSheetRegistry.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/TovrinMain.h"
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
    if (TfrmTovrinMain* main = MainForm()) {
        cbShowInTray->setChecked(main->Desktop().ShowInTray());
        cbMinimizeToTray->setChecked(main->Desktop().MinimizeToTray());
        cbCloseToTray->setChecked(main->Desktop().CloseToTray());
        cbEscMinimizeApp->setChecked(main->Desktop().EscMinimizeApp());
        cbOneClickEditMode->setChecked(main->OneClickEditMode);
        cbHotKeyActive->setChecked(main->Desktop().HotKeyActive());
        cbSaveWndPosition->setChecked(main->Desktop().SaveWndPosition());
        edHotKeyChar->setText(QString::fromStdString(main->Desktop().HotKeyChar()));
        cbAltKey->setChecked(main->Desktop().HotKeyShifts() & hkAlt);
        cbCtrlKey->setChecked(main->Desktop().HotKeyShifts() & hkCtrl);
        cbShiftKey->setChecked(main->Desktop().HotKeyShifts() & hkShift);
        cbWinKey->setChecked(main->Desktop().HotKeyShifts() & hkWin);
    }
    cbHotKeyActiveClick();
}

void TfrmOptionsInterface::Changed()
{
    if (UILockCount == 0)
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
    TfrmTovrinMain* main = MainForm();
    if (!main)
        return;
    main->Desktop().SetShowInTray(cbShowInTray->isChecked());
    main->Desktop().SetMinimizeToTray(cbMinimizeToTray->isChecked());
    main->Desktop().SetCloseToTray(cbCloseToTray->isChecked());
    main->Desktop().SetEscMinimizeApp(cbEscMinimizeApp->isChecked());
    main->SetOneClickEditMode(cbOneClickEditMode->isChecked());
    main->Desktop().SetHotKeyActive(cbHotKeyActive->isChecked());
    main->Desktop().SetSaveWndPosition(cbSaveWndPosition->isChecked());
    // An empty edit keeps the key as it was, modifiers included.
    const std::string hotKeyChar = HotKeyCharFromText(edHotKeyChar->text().toStdString());
    if (!hotKeyChar.empty()) {
        main->Desktop().SetHotKeyChar(hotKeyChar);
        main->Desktop().SetHotKeyShifts(HotKeyShiftsFromBoxes(cbAltKey->isChecked(), cbCtrlKey->isChecked(),
                                                    cbShiftKey->isChecked(), cbWinKey->isChecked()));
    }
    main->SaveSettings();
    Modified = false;
}

void RegisterInterfaceSheet()
{
    RegisteredName() = RegisterOptionsSheet("General Application Options", "Behaviour", &TfrmOptionsInterface::CreateSheet);
}

void UnregisterInterfaceSheet()
{
    UnregisterOptionsSheet(RegisteredName());
}
