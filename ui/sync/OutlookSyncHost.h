#pragma once
// The window's side of the synchronisation: its progress window, its message boxes and the
// system's text editor for the log.
#include <memory>
#include <string>

#include "outlooksync/SyncHost.h"

class IWindowServices;
class QWidget;

class TOutlookSyncHost : public ISyncHost {
public:
    // Owner owns the progress window; Services shows the boxes (scripted in tests).
    TOutlookSyncHost(QWidget* Owner, IWindowServices& Services);

    std::unique_ptr<ISyncProgress> CreateProgress(const std::string& Caption, int32_t ShowDelay,
                                                  int32_t UpdateInterval,
                                                  const std::string& Name) override;
    void ShowError(const std::string& Text) override;
    bool AskWarningYesNo(const std::string& Text) override;
    bool AskErrorYesNo(const std::string& Text) override;
    void ShowMessage(const std::string& Text) override;
    bool OpenTextFile(const std::string& Path) override;

private:
    QWidget* owner_;
    IWindowServices& services_;
};
