#pragma once
// Offscreen window tests: one application object for the binary, scripted boxes and dialogs,
// and a temporary folder per test.
#include <gtest/gtest.h>

#include <QApplication>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/WindowServices.h"

// Answers questions and dialogs from scripts; an unscripted question fails the test.
class TScriptedServices : public IWindowServices {
public:
    std::deque<int32_t> Answers;          // for AskQuestion and AskError
    std::deque<std::string> OpenNames;    // empty string = cancel
    std::deque<std::string> SaveNames;    // empty string = cancel
    std::vector<std::string> Shown;       // every text shown or asked, in order
    std::string Clipboard;
    int16_t Cursor = crDefault;

    int32_t AskQuestion(const std::string& Text, bool WithCancel) override
    {
        Shown.push_back(Text);
        return Next(WithCancel);
    }
    int32_t AskError(const std::string& Text) override
    {
        Shown.push_back(Text);
        return Next(true);
    }
    void ShowWarning(const std::string& Text) override { Shown.push_back(Text); }
    void ShowError(const std::string& Text) override { Shown.push_back(Text); }
    void ShowInformation(const std::string& Text) override { Shown.push_back(Text); }
    int16_t GetScreenCursor() override { return Cursor; }
    void SetScreenCursor(int16_t value) override { Cursor = value; }
    void HideCursor() override {}
    bool SetClipboardText(const std::string& Text) override
    {
        Clipboard = Text;
        return true;
    }
    std::string GetClipboardText() override { return Clipboard; }
    bool ExecuteOpenDialog(TFileDialogRequest& Request) override { return Pick(OpenNames, Request); }
    bool ExecuteSaveDialog(TFileDialogRequest& Request) override { return Pick(SaveNames, Request); }

private:
    int32_t Next(bool withCancel)
    {
        if (Answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << (Shown.empty() ? "" : Shown.back());
            return withCancel ? idCancel : idNo;
        }
        const int32_t answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool Pick(std::deque<std::string>& names, TFileDialogRequest& request)
    {
        if (names.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return false;
        }
        request.FileName = names.front();
        names.pop_front();
        return !request.FileName.empty();
    }
};

class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};
