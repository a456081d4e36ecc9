#pragma once
// The base of every option sheet: a borderless page that lives inside the options dialog. A
// group node of the dialog shows the base sheet itself, with its hint to pick a sub-entry.
#include <QWidget>

#include <cstdint>

class QLabel;
class QVBoxLayout;
class TTovrinOptions;
class TfrmTovrinMain;

class TOptionsSheetBase : public QWidget {
    Q_OBJECT
public:
    explicit TOptionsSheetBase(TTovrinOptions* Owner);

    // The base sheet's own "class", shown for group nodes.
    static TOptionsSheetBase* CreateSheet(TTovrinOptions* Owner);

    // Writes the sheet's values into the main window; the base has none.
    virtual void Apply() {}
    // True also marks the dialog as changed (its Apply button is enabled).
    void SetModified(bool Value);

    TTovrinOptions* OwnerDialog() const { return owner_; }
    TfrmTovrinMain* MainForm() const;

    // Raised while the sheet loads its controls; the change handlers do nothing meanwhile.
    int32_t UILockCount = 0;
    bool Modified = false;

protected:
    // The real sheets hide the hint and put their controls into this layout.
    QVBoxLayout* SheetLayout() const { return layout_; }
    void HideSubentryHint();

private:
    TTovrinOptions* owner_;
    QVBoxLayout* layout_;
    QLabel* lbSubentry_;
};

// Raises a sheet's UI lock for the lifetime of the guard.
class TSheetLock {
public:
    explicit TSheetLock(TOptionsSheetBase& sheet) : sheet_(sheet) { ++sheet_.UILockCount; }
    ~TSheetLock() { --sheet_.UILockCount; }
    TSheetLock(const TSheetLock&) = delete;
    TSheetLock& operator=(const TSheetLock&) = delete;

private:
    TOptionsSheetBase& sheet_;
};
