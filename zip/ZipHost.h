#pragma once
// What the component asks of the program it runs in: a question, an error box, the file-open
// dialog, the hourglass cursor and a turn of the message loop. The program installs its window
// implementation at start-up; until then (and in tests and tools) a headless one answers.
#include <string>
#include <string_view>

class IZipHost {
public:
    virtual ~IZipHost() = default;

    // A modal Yes/No question; true for Yes. Closing the box counts as No.
    virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
    // A modal error box with an OK button.
    virtual void ShowError(std::string_view text, std::string_view caption) = 0;
    // The file-open dialog: filter in the class-library form "Desc (*.x)|*.x|...". fileName
    // receives the choice; false when the user cancels.
    virtual bool ChooseFile(std::string_view title, std::string_view filter, const std::string& initialDir,
                            std::string& fileName) = 0;
    // The hourglass from BeginHourGlass to the matching EndHourGlass; pairs may nest.
    virtual void BeginHourGlass() = 0;
    virtual void EndHourGlass() = 0;
    // Lets the application handle its pending window messages.
    virtual void ProcessMessages() = 0;
};

// Without a window: questions are answered No and dialogs cancelled, so that nothing is
// overwritten or chosen unasked; boxes, cursor and messages are nothing.
class THeadlessZipHost : public IZipHost {
public:
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
    void ShowError(std::string_view, std::string_view) override {}
    bool ChooseFile(std::string_view, std::string_view, const std::string&, std::string&) override { return false; }
    void BeginHourGlass() override {}
    void EndHourGlass() override {}
    void ProcessMessages() override {}
};

// The host in use: the installed one, else the headless one.
IZipHost& ZipHost();
// Installs the program's host (not owned); nullptr goes back to the headless one.
void SetZipHost(IZipHost* host);

// The hourglass for the guard's lifetime, on every exit path.
class TZipHourGlass {
public:
    TZipHourGlass() : host_(ZipHost()) { host_.BeginHourGlass(); }
    ~TZipHourGlass() { host_.EndHourGlass(); }
    TZipHourGlass(const TZipHourGlass&) = delete;
    TZipHourGlass& operator=(const TZipHourGlass&) = delete;

private:
    IZipHost& host_;
};
