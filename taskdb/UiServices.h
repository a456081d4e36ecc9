#pragma once
// The seam between the task library and the window toolkit: message boxes, the screen cursor
// and the clipboard. The desktop window installs its implementation at start-up; until then
// (and in tests and tools) a headless implementation shows nothing.
#include <cstdint>
#include <memory>
#include <string>

// Buttons a confirmation returns.
constexpr int32_t idYes = 6;
constexpr int32_t idNo = 7;
constexpr int32_t idCancel = 2;

// Screen cursor identifiers.
constexpr int16_t crDefault = 0;
constexpr int16_t crHourGlass = -11;

class IUiServices {
public:
    virtual ~IUiServices() = default;

    // One modal question with a question icon; returns idYes, idNo or (with Cancel) idCancel.
    // Closing the box counts as No, or as Cancel when Cancel is offered.
    virtual int32_t AskQuestion(const std::string& Text, bool WithCancel) = 0;
    // A modal warning with an OK button.
    virtual void ShowWarning(const std::string& Text) = 0;

    virtual int16_t GetScreenCursor() = 0;
    virtual void SetScreenCursor(int16_t Cursor) = 0;
    // Hides the mouse cursor image until the window's next cursor update.
    virtual void HideCursor() = 0;

    // Plain text on the clipboard. SetClipboardText returns false when the clipboard cannot
    // be opened.
    virtual bool SetClipboardText(const std::string& Text) = 0;
    virtual std::string GetClipboardText() = 0;
};

// Without a window: no box is shown, questions are answered No (or Cancel) so that nothing
// destructive happens unasked, warnings are dropped, cursor and clipboard are kept in memory.
class THeadlessUiServices : public IUiServices {
public:
    int32_t AskQuestion(const std::string& Text, bool WithCancel) override;
    void ShowWarning(const std::string& Text) override;
    int16_t GetScreenCursor() override { return cursor_; }
    void SetScreenCursor(int16_t Cursor) override { cursor_ = Cursor; }
    void HideCursor() override {}
    bool SetClipboardText(const std::string& Text) override;
    std::string GetClipboardText() override { return clipboard_; }

private:
    int16_t cursor_ = crDefault;
    std::string clipboard_;
};

// The services in use: the installed implementation, else the headless one.
IUiServices& UiServices();
// Installs the window's implementation (not owned); nullptr goes back to the headless one.
void SetUiServices(IUiServices* Services);
