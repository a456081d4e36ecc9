#pragma once
// The window side of the toolkit seam: besides the questions, cursor and clipboard that the
// task library asks for, the main window shows error and information boxes and runs the file
// dialogs. Tests install a scripted implementation that blocks on nothing but runs an event
// loop as a modal box does.
#include "taskdb/UiServices.h"

#include <string>

struct TFileDialogRequest {
    std::string Filter;            // class-library form: "Text (*.x)|*.x|All files (*.*)|*.*"
    int FilterIndex = 1;           // 1-based; the chosen index comes back here
    std::string FileName;          // initial name; the chosen name comes back here
    std::string DefaultExtension;  // without the dot; added when the user types none
    std::string Title;             // empty: the toolkit's own
    std::string Directory;         // the folder shown first; empty: the toolkit's choice
};

class IWindowServices : public IUiServices {
public:
    virtual void ShowError(const std::string& Text) = 0;
    virtual void ShowInformation(const std::string& Text) = 0;
    // An error box with Yes, No and Cancel; returns idYes, idNo or idCancel.
    virtual int32_t AskError(const std::string& Text) = 0;
    // Yes/No questions in a warning box and in an error box; return idYes or idNo.
    virtual int32_t AskWarningYesNo(const std::string& Text) { return AskQuestion(Text, false); }
    virtual int32_t AskErrorYesNo(const std::string& Text) { return AskQuestion(Text, false); }
    // Return false when the user cancels.
    virtual bool ExecuteOpenDialog(TFileDialogRequest& Request) = 0;
    virtual bool ExecuteSaveDialog(TFileDialogRequest& Request) = 0;
    // Picks an existing folder: Directory is the one to start in and receives the choice.
    // Returns false when the user cancels (and where no folder dialog exists).
    virtual bool ExecuteFolderDialog(std::string& Directory)
    {
        (void)Directory;
        return false;
    }
};

// The Qt implementation: message boxes, the application's override cursor and the clipboard.
class TQtUiServices : public IWindowServices {
public:
    int32_t AskQuestion(const std::string& Text, bool WithCancel) override;
    void ShowWarning(const std::string& Text) override;
    int16_t GetScreenCursor() override { return cursor_; }
    void SetScreenCursor(int16_t Cursor) override;
    void HideCursor() override;
    bool SetClipboardText(const std::string& Text) override;
    std::string GetClipboardText() override;

    void ShowError(const std::string& Text) override;
    void ShowInformation(const std::string& Text) override;
    int32_t AskError(const std::string& Text) override;
    int32_t AskWarningYesNo(const std::string& Text) override;
    int32_t AskErrorYesNo(const std::string& Text) override;
    bool ExecuteOpenDialog(TFileDialogRequest& Request) override;
    bool ExecuteSaveDialog(TFileDialogRequest& Request) override;
    bool ExecuteFolderDialog(std::string& Directory) override;

private:
    int16_t cursor_ = crDefault;
    bool overrideSet_ = false;  // this object has one override cursor on Qt's stack
};

// "Desc (*.x)|*.x|All files (*.*)|*.*" to Qt's "Desc (*.x);;All files (*.*)" form.
std::string QtFilterFromClassLibrary(const std::string& filter);
// The extension a name takes when the user types none: that of the chosen filter when it names
// exactly one ("tab" for "*.tab"), else the request's default extension.
std::string DefaultExtensionFor(const TFileDialogRequest& Request, int FilterIndex);
// Adds that extension to the chosen file name when it has none.
void AddDefaultExtension(TFileDialogRequest& Request);
