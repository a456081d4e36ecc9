#pragma once
// What the synchronisation needs from the window that starts it: a progress window with a
// status line, a bar and a Cancel button, the message boxes of the run, and a way to show the
// log in the system's plain text editor. The desktop window implements it; tests script it.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Exceptions.h"

// Raised by a progress step after the user confirmed to abort; the run catches it.
class ESyncAborted : public Exception {
public:
    ESyncAborted() : Exception("") {}
};

class ISyncProgress {
public:
    virtual ~ISyncProgress() = default;
    virtual void SetCaption(const std::string& Caption) = 0;
    // Raising the minimum above the maximum raises the maximum, and the other way round.
    virtual void SetProgressMin(int32_t Value) = 0;
    virtual void SetProgressMax(int32_t Value) = 0;
    // One step (Position -1 leaves the bar); lets the window handle pending messages.
    // False once the user has confirmed to abort.
    virtual bool Progress(const std::string& StatusText, int32_t Position) = 0;
};

class ISyncHost {
public:
    virtual ~ISyncHost() = default;
    // The progress window, owned by the host's window; closed when the result is freed.
    virtual std::unique_ptr<ISyncProgress> CreateProgress(const std::string& Caption,
                                                          int32_t ShowDelay,
                                                          int32_t UpdateInterval,
                                                          const std::string& Name) = 0;
    // Error box with OK.
    virtual void ShowError(const std::string& Text) = 0;
    // Warning box with Yes and No; true only for Yes.
    virtual bool AskWarningYesNo(const std::string& Text) = 0;
    // Error box with Yes and No; true only for Yes.
    virtual bool AskErrorYesNo(const std::string& Text) = 0;
    // Plain message box.
    virtual void ShowMessage(const std::string& Text) = 0;
    // Opens a text file in the system's plain text editor; false when that failed.
    virtual bool OpenTextFile(const std::string& Path) = 0;
};
