#pragma once
// The sort options dialog: up to four sort keys, each with a direction, and whether to sort
// the whole subtree. A key is exchanged as a signed code: the absolute value names the key,
// a positive value sorts ascending and a negative one descending.
#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Key codes of the lists; code 7 is never offered.
enum TSortKeyCode : int32_t {
    skNone = 1,  // "<none>", levels 2 to 4 only
    skDateCompleted = 2,
    skGoalImportance = 3,
    skDueDate = 4,
    skEffort = 5,
    skSatisfaction = 6,
    skAlphabetical = 8,
};

class TfrmSortOptions : public QDialog {
    Q_OBJECT
public:
    TfrmSortOptions();

    // Shows the dialog modally; on "Sort now" the keys and the flag receive the choices and the
    // result is true. On Cancel they are left as they were.
    static bool Execute(int32_t& Key1, int32_t& Key2, int32_t& Key3, int32_t& Key4, bool& Recursive);

    // Selects the list item of each key's code (the first item when none has it) and its
    // direction (ascending only for keys above 0).
    void SetKeys(const int32_t (&Keys)[4]);
    void GetKeys(int32_t (&Keys)[4]) const;

private:
    QGroupBox* gbFirsSort = nullptr;
    QGroupBox* gbSort2 = nullptr;
    QGroupBox* gbSort3 = nullptr;
    QGroupBox* gbSort4 = nullptr;
    QComboBox* cbSort[4] = {};
    QRadioButton* rbASort[4] = {};
    QRadioButton* rbDSort[4] = {};
    QCheckBox* cbRecurse = nullptr;
    QPushButton* btnSort = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* Label1 = nullptr;

    void FormCreate();
};
