#pragma once
// The progress window of a long operation that runs on the user-interface thread: a status
// line and a bar, message pumping at most once per update interval, and a "Cancel" button
// whose confirmed question ends the operation at its next step.
//
// Use:
//   TfrmProgressIndicatorWnd* wnd = nullptr;
//   TfrmProgressIndicatorWnd::Create(owner, wnd, "Outlook sync", 0, 500, "OutlookSynch", false);
//   wnd->SetProgressMin(0); wnd->SetProgressMax(last);
//   for (...) wnd->Progress(text, i, &RaiseNew<TExAbortOperation>);
//   TfrmProgressIndicatorWnd::Free(wnd);
// The window keeps the address of the caller's variable and clears it when it closes or is
// freed, so the variable must live as long as the window.
#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "platform/Exceptions.h"
#include "ui/dialogs/ProgressSchedule.h"

class ISaveCursor;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// Raised, with an empty message, by a progress step after the user confirmed the abort.
class TExAbortOperation : public Exception {
public:
    TExAbortOperation() : Exception("") {}
};

// Stands for an exception class: raises a new exception of that class with an empty message.
using TExceptionClass = void (*)();
template <class E>
[[noreturn]] void RaiseNew()
{
    throw E();
}

using TProgressUpdateEvent = std::function<void(void* Data)>;

class TfrmProgressIndicatorWnd : public QDialog {
    Q_OBJECT
public:
    // ShowDelay and UpdateInterval in milliseconds (0: show at once, update at every step).
    // Stores the new window in Ref at once. The window frees itself when it closes.
    TfrmProgressIndicatorWnd(QWidget* AOwner, TfrmProgressIndicatorWnd*& Ref, const std::string& Caption,
                             int32_t ShowDelay, int32_t UpdateInterval, const std::string& Name, bool AutoClose,
                             TProgressUpdateEvent OnUpdate = {}, void* UpdateData = nullptr);
    ~TfrmProgressIndicatorWnd() override;

    static TfrmProgressIndicatorWnd* Create(QWidget* AOwner, TfrmProgressIndicatorWnd*& Ref,
                                            const std::string& Caption, int32_t ShowDelay, int32_t UpdateInterval,
                                            const std::string& Name, bool AutoClose, TProgressUpdateEvent OnUpdate = {},
                                            void* UpdateData = nullptr);
    // Frees the window Ref points to, if any (a window that closed itself has cleared Ref).
    static void Free(TfrmProgressIndicatorWnd*& Ref);

    void SetProgressMin(int32_t Value);
    void SetProgressMax(int32_t Value);
    // One step. Position -1 leaves the bar, an empty StatusText the status line. Returns false
    // after a confirmed abort when AbortClass is none; with AbortClass it raises instead.
    bool Progress(const std::string& StatusText, int32_t Position, TExceptionClass AbortClass = nullptr);

    bool Aborted() const { return aborted_; }
    bool AutoClose() const { return autoClose_; }
    const std::string& OperationName() const { return name_; }
    QWidget* DisabledOwner() const { return disabledOwner_; }
    const TProgressSchedule& Schedule() const { return schedule_; }

    void btnAbortClick();
    void Timer1Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc presses "Cancel"

private:
    QLabel* lblStatusLine = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* btnAbort = nullptr;
    QTimer* Timer1 = nullptr;

    void ShowWindow();
    void ReleaseDisabledOwner();
    void ForgetRef();

    TfrmProgressIndicatorWnd** ref_ = nullptr;
    TProgressSchedule schedule_;
    QPointer<QWidget> owner_;
    QPointer<QWidget> disabledOwner_;
    bool aborted_ = false;
    bool autoClose_ = false;
    TProgressUpdateEvent onUpdate_;
    void* updateData_ = nullptr;
    std::shared_ptr<ISaveCursor> cursorGuard_;
    std::string name_;
};
