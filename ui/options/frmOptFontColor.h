#pragma once
// The "Fonts and colors" sheet: font and background of the task and place lists, and of the
// notes editors.
#include <functional>
#include <utility>

#include "ui/options/FontText.h"
#include "ui/options/frmOptionsSheetBase.h"

class QComboBox;
class QFontDialog;
class QLineEdit;
class QPushButton;
class QToolButton;

class TfrmOptionsFontsColor : public TOptionsSheetBase {
    Q_OBJECT
public:
    explicit TfrmOptionsFontsColor(TTovrinOptions* Owner);
    static TOptionsSheetBase* CreateSheet(TTovrinOptions* Owner);

    void Apply() override;
    void btnRestoreDefClick();
    // Runs the font dialog for one of the two edits; true when a font was chosen.
    bool ChooseFont(int Which);

    // Picks a font starting from the given one; tests replace the dialog.
    using TFontDialog = std::function<bool(TFontDesc& Font, QWidget* Parent)>;
    void SetFontDialog1(TFontDialog Dialog) { FontDialog1 = std::move(Dialog); }

private:
    void RefreshFontTexts();

    // The fonts the two edits show.
    TFontDesc Font1;
    TFontDesc Font2;

    QLineEdit* edFont1 = nullptr;
    QToolButton* sbFont1 = nullptr;
    QComboBox* cbColor1 = nullptr;
    QLineEdit* edFont2 = nullptr;
    QToolButton* sbFont2 = nullptr;
    QComboBox* cbColor2 = nullptr;
    QPushButton* btnRestoreDef = nullptr;
    TFontDialog FontDialog1;
};

// "Tahoma 8": the font's name, a blank and its size in points.
std::string FontDisplayText(const TFontDesc& Font);

// The colour box: the standard colours and the window colour; another colour is added to the
// list when selected.
void SelectColor(QComboBox* Box, int32_t Color);
int32_t SelectedColor(const QComboBox* Box);

void RegisterFontColorSheet();
void UnregisterFontColorSheet();
