#pragma once
// The base of every option sheet: a borderless page that lives inside the options dialog. A
// group node of the dialog shows the base sheet itself, with its hint to pick a sub-entry.
#include <QWidget>

#include <cstdint>

class QLabel;
class QVBoxLayout;
class TTovrinOptions;
class TWindowOptions;

class TOptionsSheetBase : public QWidget {
    Q_OBJECT
public:
    explicit TOptionsSheetBase(TTovrinOptions* Owner);

    // The base sheet's own "class", shown for group nodes.
    static TOptionsSheetBase* CreateSheet(TTovrinOptions* Owner);

    // Writes the sheet's values into the window's options; the base has none.
    virtual void Apply() {}
    // True also marks the dialog as changed (its Apply button is enabled).
    void SetModified(bool Value);

    TTovrinOptions* OwnerDialog() const { return owner_; }
    // The window's options the sheet reads and writes; none for a dialog without a window.
    TWindowOptions* WindowOptions() const;
    bool Modified() const { return modified_; }

protected:
    // While the sheet loads its controls, the change handlers do nothing.
    bool UILocked() const { return uiLockCount_ > 0; }
    // The real sheets hide the hint and put their controls into this layout.
    QVBoxLayout* SheetLayout() const { return layout_; }
    void HideSubentryHint();

private:
    friend class TSheetLock;
    TTovrinOptions* owner_;
    int32_t uiLockCount_ = 0;
    bool modified_ = false;
    QVBoxLayout* layout_;
    QLabel* lbSubentry_;
};

// Raises a sheet's UI lock for the lifetime of the guard.
class TSheetLock {
public:
    explicit TSheetLock(TOptionsSheetBase& sheet) : sheet_(sheet) { ++sheet_.uiLockCount_; }
    ~TSheetLock() { --sheet_.uiLockCount_; }
    TSheetLock(const TSheetLock&) = delete;
    TSheetLock& operator=(const TSheetLock&) = delete;

private:
    TOptionsSheetBase& sheet_;
};
