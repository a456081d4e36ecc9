#pragma once
// The find dialog: the text to look for and whether to look at captions, notes or both.
#include <QDialog>

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Find next" can search only for a text in at least one of the two places.
bool FindNextEnabled(const std::string& Text, bool InCaptions, bool InNotes);

class TfrmFindNexDlg : public QDialog {
    Q_OBJECT
public:
    TfrmFindNexDlg();

    // Shows the dialog modally; on "Find next" the arguments receive its values and the
    // result is true. On Cancel they are left as they were.
    static bool Execute(std::string& Text, bool& InCaptions, bool& InNotes);

    // Fills the controls; the button's state follows them.
    void SetValues(const std::string& Text, bool InCaptions, bool InNotes);
    void OnChange();

private:
    QLabel* Label1 = nullptr;
    QLineEdit* edFindWhat = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* cbCaptions = nullptr;
    QCheckBox* cbNotes = nullptr;
    QPushButton* btnFind = nullptr;
    QPushButton* btnCancel = nullptr;
};
