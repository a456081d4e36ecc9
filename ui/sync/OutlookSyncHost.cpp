#include "ui/sync/OutlookSyncHost.h"

#include <QDesktopServices>
#include <QUrl>

#include "ui/mainwindow/WindowServices.h"
#include "ui/dialogs/frmProgressIndicator.h"

namespace {

// The synchronisation's progress steps on the window's progress window. A step after the
// confirmed abort answers false, and the synchronisation ends itself.
class TProgressWindowAdapter : public ISyncProgress {
public:
    TProgressWindowAdapter(QWidget* owner, const std::string& caption, int32_t showDelay,
                           int32_t updateInterval, const std::string& name)
    {
        TfrmProgressIndicatorWnd::Create(owner, wnd_, caption, showDelay, updateInterval, name,
                                         false);
    }
    ~TProgressWindowAdapter() override { TfrmProgressIndicatorWnd::Free(wnd_); }

    void SetCaption(const std::string& Caption) override
    {
        if (wnd_)
            wnd_->setWindowTitle(QString::fromStdString(Caption));
    }
    void SetProgressMin(int32_t Value) override
    {
        if (wnd_)
            wnd_->SetProgressMin(Value);
    }
    void SetProgressMax(int32_t Value) override
    {
        if (wnd_)
            wnd_->SetProgressMax(Value);
    }
    bool Progress(const std::string& StatusText, int32_t Position) override
    {
        return !wnd_ || wnd_->Progress(StatusText, Position);
    }

private:
    // The window clears this reference when it closes; it lives as long as the adapter.
    TfrmProgressIndicatorWnd* wnd_ = nullptr;
};

} // namespace

TOutlookSyncHost::TOutlookSyncHost(QWidget* Owner, IWindowServices& Services)
    : owner_(Owner), services_(Services)
{
}

std::unique_ptr<ISyncProgress> TOutlookSyncHost::CreateProgress(const std::string& Caption,
                                                                int32_t ShowDelay,
                                                                int32_t UpdateInterval,
                                                                const std::string& Name)
{
    return std::make_unique<TProgressWindowAdapter>(owner_, Caption, ShowDelay, UpdateInterval,
                                                    Name);
}

void TOutlookSyncHost::ShowError(const std::string& Text)
{
    services_.ShowError(Text);
}

bool TOutlookSyncHost::AskWarningYesNo(const std::string& Text)
{
    return services_.AskWarningYesNo(Text) == idYes;
}

bool TOutlookSyncHost::AskErrorYesNo(const std::string& Text)
{
    return services_.AskErrorYesNo(Text) == idYes;
}

void TOutlookSyncHost::ShowMessage(const std::string& Text)
{
    services_.ShowInformation(Text);
}

bool TOutlookSyncHost::OpenTextFile(const std::string& Path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(Path)));
}
