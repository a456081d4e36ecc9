#pragma once
// Offscreen tests of the options dialog, its sheets and the window's settings: one application
// object for the binary, scripted boxes and dialogs, a temporary folder per test and a window
// whose settings live in that folder.
#include <gtest/gtest.h>

#include <QApplication>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/TovrinMain.h"
#include "ui/WindowServices.h"

class TScriptedServices : public IWindowServices {
public:
    std::deque<int32_t> Answers;        // for AskQuestion and AskError
    std::deque<std::string> SaveNames;  // empty string = cancel
    std::vector<std::string> Shown;     // every text shown or asked, in order
    std::function<void()> DuringSaveDialog;
    int32_t SaveDialogs = 0;

    int32_t AskQuestion(const std::string& Text, bool WithCancel) override;
    int32_t AskError(const std::string& Text) override;
    void ShowWarning(const std::string& Text) override { Shown.push_back(Text); }
    void ShowError(const std::string& Text) override { Shown.push_back(Text); }
    void ShowInformation(const std::string& Text) override { Shown.push_back(Text); }
    int16_t GetScreenCursor() override { return crDefault; }
    void SetScreenCursor(int16_t) override {}
    void HideCursor() override {}
    bool SetClipboardText(const std::string&) override { return true; }
    std::string GetClipboardText() override { return {}; }
    bool ExecuteOpenDialog(TFileDialogRequest&) override;
    bool ExecuteSaveDialog(TFileDialogRequest& Request) override;
};

class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

class OptionsTest : public ::testing::Test {
protected:
    // A window whose settings file already holds these lines under [Settings].
    std::unique_ptr<TfrmTovrinMain> MakeWindow(const std::string& settingsLines = "");
    std::string SettingsFile() const { return dir_.File("settings.ini"); }
    // A stored value of the settings file, as text.
    std::string Stored(const std::string& name) const;

    TTempFolder dir_;
    TScriptedServices services_;
};

// Runs action on the next turn of the event loop, once a modal dialog is up.
void WhenModal(std::function<void(QWidget* dialog)> action);
