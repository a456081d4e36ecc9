#include "ui/dialogs/frmProgressIndicator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "taskdb/Services.h"

TfrmProgressIndicatorWnd::TfrmProgressIndicatorWnd(QWidget* AOwner, TfrmProgressIndicatorWnd*& Ref,
                                                   const std::string& Caption, int32_t ShowDelay,
                                                   int32_t UpdateInterval, const std::string& Name, bool AutoClose,
                                                   TProgressUpdateEvent OnUpdate, void* UpdateData)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      schedule_(Now(), ShowDelay, UpdateInterval)
{
    // The window is a top-level window of its own: disabling the owner must not disable it.
    // It goes with its owner all the same.
    Ref = this;
    ref_ = &Ref;
    owner_ = AOwner;
    if (AOwner)
        connect(AOwner, &QObject::destroyed, this, [this] {
            ForgetRef();  // the caller's variable may go with the owner
            delete this;
        });
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Progress"));
    if (!Caption.empty())
        setWindowTitle(QString::fromStdString(Caption));
    name_ = Name;
    setObjectName(QString::fromStdString(Name));

    auto* layout = new QVBoxLayout(this);
    lblStatusLine = new QLabel(QStringLiteral("Process..."), this);
    lblStatusLine->setObjectName(QStringLiteral("lblStatusLine"));
    lblStatusLine->setFixedWidth(273);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setMaximumHeight(12);
    ProgressBar->hide();
    btnAbort = new QPushButton(QStringLiteral("Cancel"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnAbort->setDefault(true);
    layout->addWidget(lblStatusLine);
    layout->addWidget(ProgressBar);
    layout->addWidget(btnAbort, 0, Qt::AlignHCenter);
    setFixedSize(293, 81);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    connect(btnAbort, &QPushButton::clicked, this, [this] { btnAbortClick(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();

    autoClose_ = AutoClose;
    if (ShowDelay == 0)
        ShowWindow();
    onUpdate_ = std::move(OnUpdate);
    updateData_ = UpdateData;
}

TfrmProgressIndicatorWnd::~TfrmProgressIndicatorWnd()
{
    ReleaseDisabledOwner();
    ForgetRef();
    cursorGuard_.reset();
}

TfrmProgressIndicatorWnd* TfrmProgressIndicatorWnd::Create(QWidget* AOwner, TfrmProgressIndicatorWnd*& Ref,
                                                           const std::string& Caption, int32_t ShowDelay,
                                                           int32_t UpdateInterval, const std::string& Name,
                                                           bool AutoClose, TProgressUpdateEvent OnUpdate,
                                                           void* UpdateData)
{
    // The window owns itself: it is freed when it closes, or by Free.
    return new TfrmProgressIndicatorWnd(AOwner, Ref, Caption, ShowDelay, UpdateInterval, Name, AutoClose,
                                        std::move(OnUpdate), UpdateData);
}

void TfrmProgressIndicatorWnd::Free(TfrmProgressIndicatorWnd*& Ref)
{
    TfrmProgressIndicatorWnd* window = Ref;
    Ref = nullptr;
    delete window;
}

void TfrmProgressIndicatorWnd::ForgetRef()
{
    if (ref_ && *ref_ == this)
        *ref_ = nullptr;
    ref_ = nullptr;
}

void TfrmProgressIndicatorWnd::ShowWindow()
{
    aborted_ = false;
    ReleaseDisabledOwner();
    if (owner_) {
        disabledOwner_ = owner_;
        owner_->setEnabled(false);
    }
    show();
    raise();
    activateWindow();
    cursorGuard_.reset();
}

void TfrmProgressIndicatorWnd::ReleaseDisabledOwner()
{
    if (!disabledOwner_)
        return;
    QWidget* owner = disabledOwner_;
    disabledOwner_ = nullptr;
    owner->setEnabled(true);
    owner->activateWindow();
    owner->setFocus();  // a control that cannot take the focus simply keeps none
}

void TfrmProgressIndicatorWnd::SetProgressMin(int32_t Value)
{
    if (Value > ProgressBar->maximum())
        ProgressBar->setMaximum(Value);
    ProgressBar->setMinimum(Value);
    ProgressBar->setValue(Value);
    ProgressBar->show();
}

void TfrmProgressIndicatorWnd::SetProgressMax(int32_t Value)
{
    if (Value < ProgressBar->minimum())
        ProgressBar->setMinimum(Value);
    ProgressBar->setMaximum(Value);
    ProgressBar->show();
    repaint();
}

bool TfrmProgressIndicatorWnd::Progress(const std::string& StatusText, int32_t Position, TExceptionClass AbortClass)
{
    const TDateTime t = Now();
    if (!isVisible()) {
        if (!cursorGuard_ && schedule_.WantsHourGlass(t)) {
            HideCursor();
            cursorGuard_ = HourGlass();
        }
        if (schedule_.KeepHidden(t))
            return true;
        ShowWindow();
    }
    if (schedule_.WithinInterval(t))
        return true;
    if (!StatusText.empty())
        lblStatusLine->setText(QString::fromStdString(StatusText));
    if (Position != -1)
        ProgressBar->setValue(Position);
    if (onUpdate_)
        onUpdate_(updateData_);

    // Clicks on "Cancel", repaints and other input are handled here. The timer stays off
    // meanwhile, so an auto-close cannot run inside the step.
    {
        QPointer<TfrmProgressIndicatorWnd> self(this);
        Timer1->stop();
        struct TRestart {
            QPointer<TfrmProgressIndicatorWnd>& window;
            ~TRestart()
            {
                if (window)
                    window->Timer1->start();
            }
        } restart{self};
        QApplication::processEvents();
        if (!self)
            return false;  // the window went with its owner: nothing is left to report to
    }
    schedule_.Updated(t);
    if (!aborted_)
        return true;
    if (AbortClass)
        AbortClass();
    return false;
}

void TfrmProgressIndicatorWnd::btnAbortClick()
{
    if (!isVisible())
        return;
    Timer1->stop();
    QPointer<TfrmProgressIndicatorWnd> self(this);
    bool yes = false;
    try {
        yes = ConfirmYesNo("Abort operation?");
    } catch (...) {
        if (self)
            Timer1->start();
        throw;
    }
    if (!self)
        return;
    if (yes)
        aborted_ = true;
    activateWindow();
    Timer1->start();
}

void TfrmProgressIndicatorWnd::Timer1Timer()
{
    if (!autoClose_)
        return;
    Timer1->stop();
    if (onUpdate_)
        onUpdate_(updateData_);
    ReleaseDisabledOwner();
    close();
}

void TfrmProgressIndicatorWnd::closeEvent(QCloseEvent* event)
{
    ReleaseDisabledOwner();
    ForgetRef();
    cursorGuard_.reset();
    // Not the dialog's own close handling: that would ask the abort question.
    QWidget::closeEvent(event);
}

void TfrmProgressIndicatorWnd::reject()
{
    btnAbortClick();
}
