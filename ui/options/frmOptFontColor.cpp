#include "ui/options/frmOptFontColor.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/StrUtils.h"
#include "ui/options/QtFont.h"
#include "ui/options/OptionsSheetRegistry.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/options/WindowOptions.h"

namespace {

// The name this unit registered its sheet under; made on first use, as units start in any order.
std::string& RegisteredName()
{
    static std::string name;
    return name;
}

struct TNamedColor {
    const char* Name;
    int32_t Color;
};

// The class library's standard and extended colours, then the window background.
constexpr TNamedColor NamedColors[] = {
    {"Black", 0x000000},    {"Maroon", 0x000080},     {"Green", 0x008000},   {"Olive", 0x008080},
    {"Navy", 0x800000},     {"Purple", 0x800080},     {"Teal", 0x808000},    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},   {"Red", 0x0000FF},        {"Lime", 0x00FF00},    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},     {"Fuchsia", 0xFF00FF},    {"Aqua", 0xFFFF00},    {"White", 0xFFFFFF},
    {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6}, {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
    {"Window", clWindow},
};

QIcon Swatch(int32_t color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(ToQColor(color, QApplication::palette()));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

void FillColorBox(QComboBox* box)
{
    for (const TNamedColor& named : NamedColors)
        box->addItem(Swatch(named.Color), QString::fromLatin1(named.Name), named.Color);
}

} // namespace

std::string FontDisplayText(const TFontDesc& Font)
{
    return Font.Name + " " + IntToStr(Font.Size);
}

void SelectColor(QComboBox* Box, int32_t Color)
{
    int index = Box->findData(Color);
    if (index < 0) {
        const QColor c = ToQColor(Color, QApplication::palette());
        Box->addItem(Swatch(Color), c.name(QColor::HexRgb), Color);
        index = Box->count() - 1;
    }
    Box->setCurrentIndex(index);
}

int32_t SelectedColor(const QComboBox* Box)
{
    return Box->currentIndex() < 0 ? clWindow : Box->currentData().toInt();
}

TfrmOptionsFontsColor::TfrmOptionsFontsColor(TTovrinOptions* Owner) : TOptionsSheetBase(Owner)
{
    HideSubentryHint();
    auto group = [this](const char* caption, QLineEdit*& edit, const char* editName, QToolButton*& button,
                        const char* buttonName, QComboBox*& color, const char* colorName, int which) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), this);
        auto* grid = new QGridLayout(box);
        edit = new QLineEdit(box);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        button = new QToolButton(box);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->setText(QStringLiteral("..."));
        color = new QComboBox(box);
        color->setObjectName(QString::fromLatin1(colorName));
        FillColorBox(color);
        grid->addWidget(edit, 0, 0);
        grid->addWidget(button, 0, 1);
        grid->addWidget(color, 1, 0, 1, 2);
        connect(button, &QToolButton::clicked, this, [this, which] { RunGuarded([this, which] { ChooseFont(which); }); });
        connect(color, &QComboBox::currentIndexChanged, this, [this] {
            if (!UILocked())
                SetModified(true);
        });
        SheetLayout()->addWidget(box);
    };
    group(" Tasks/Places ", edFont1, "edFont1", sbFont1, "sbFont1", cbColor1, "cbColor1", 1);
    group(" Notes editor  ", edFont2, "edFont2", sbFont2, "sbFont2", cbColor2, "cbColor2", 2);
    btnRestoreDef = new QPushButton(QStringLiteral("Restore default"), this);
    btnRestoreDef->setObjectName(QStringLiteral("btnRestoreDef"));
    connect(btnRestoreDef, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnRestoreDefClick(); }); });
    SheetLayout()->addWidget(btnRestoreDef, 0, Qt::AlignLeft);
    SheetLayout()->addStretch(1);

    FontDialog1 = [](TFontDesc& font, QWidget* parent) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), parent);
        if (ok)
            font = FromQFont(chosen, font.Charset, font.Color);
        return ok;
    };

    TSheetLock lock(*this);
    if (TWindowOptions* options = WindowOptions()) {
        Font1 = options->TasksFont();
        Font2 = options->NoteFont();
        SelectColor(cbColor1, options->TasksColor());
        SelectColor(cbColor2, options->NoteColor());
    }
    RefreshFontTexts();
}

TOptionsSheetBase* TfrmOptionsFontsColor::CreateSheet(TTovrinOptions* Owner)
{
    return new TfrmOptionsFontsColor(Owner);
}

void TfrmOptionsFontsColor::RefreshFontTexts()
{
    edFont1->setText(QString::fromStdString(FontDisplayText(Font1)));
    edFont1->setFont(ToQFont(Font1));
    edFont2->setText(QString::fromStdString(FontDisplayText(Font2)));
    edFont2->setFont(ToQFont(Font2));
}

bool TfrmOptionsFontsColor::ChooseFont(int Which)
{
    TFontDesc& font = Which == 1 ? Font1 : Font2;
    TFontDesc chosen = font;
    if (!FontDialog1 || !FontDialog1(chosen, this))
        return false;
    font = chosen;
    SetModified(true);
    RefreshFontTexts();
    return true;
}

void TfrmOptionsFontsColor::btnRestoreDefClick()
{
    if (TWindowOptions* options = WindowOptions()) {
        TSheetLock lock(*this);
        Font1 = options->DefaultTasksFont();
        Font2 = options->DefaultNoteFont();
        SelectColor(cbColor1, options->DefaultTasksColor());
        SelectColor(cbColor2, options->DefaultNoteColor());
    }
    SetModified(true);
    RefreshFontTexts();
}

void TfrmOptionsFontsColor::Apply()
{
    TWindowOptions* options = WindowOptions();
    if (!options)
        return;
    options->SetTasksFont(Font1, SelectedColor(cbColor1));
    options->SetNoteFont(Font2, SelectedColor(cbColor2));
    options->SaveSettings();
}

void RegisterFontColorSheet()
{
    RegisteredName() =
        RegisterOptionsSheet("General Application Options", "Fonts and colors", &TfrmOptionsFontsColor::CreateSheet);
}

void UnregisterFontColorSheet()
{
    UnregisterOptionsSheet(RegisteredName());
}
