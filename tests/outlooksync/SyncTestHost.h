#pragma once
// A scripted stand-in for the window that starts a synchronisation: it records every box and
// progress step, answers questions from a script and can abort at a chosen step.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "outlooksync/SyncHost.h"

struct TSyncTestHostState {
    std::vector<std::string> Errors;      // error boxes with OK
    std::vector<std::string> Questions;   // every Yes/No box, in order
    std::vector<std::string> Messages;    // plain boxes
    std::vector<std::string> Captions;
    std::vector<std::string> Steps;       // status texts of the progress steps
    std::vector<std::string> OpenedFiles;
    std::deque<bool> Answers;             // answers to Yes/No boxes; No when empty
    int AbortAtStep = -1;                 // 1-based step at which the user aborts
    bool OpenSucceeds = true;
    int ProgressWindows = 0;
    int ProgressWindowsOpen = 0;
};

class TSyncTestProgress : public ISyncProgress {
public:
    explicit TSyncTestProgress(TSyncTestHostState& s) : s_(s) { ++s_.ProgressWindowsOpen; }
    ~TSyncTestProgress() override { --s_.ProgressWindowsOpen; }
    void SetCaption(const std::string& Caption) override { s_.Captions.push_back(Caption); }
    void SetProgressMin(int32_t) override {}
    void SetProgressMax(int32_t) override {}
    bool Progress(const std::string& StatusText, int32_t) override
    {
        s_.Steps.push_back(StatusText);
        return !(s_.AbortAtStep > 0 && static_cast<int>(s_.Steps.size()) >= s_.AbortAtStep);
    }

private:
    TSyncTestHostState& s_;
};

class TSyncTestHost : public ISyncHost {
public:
    TSyncTestHostState S;

    std::unique_ptr<ISyncProgress> CreateProgress(const std::string& Caption, int32_t, int32_t,
                                                  const std::string&) override
    {
        ++S.ProgressWindows;
        S.Captions.push_back(Caption);
        return std::make_unique<TSyncTestProgress>(S);
    }
    void ShowError(const std::string& Text) override { S.Errors.push_back(Text); }
    bool AskWarningYesNo(const std::string& Text) override { return Answer(Text); }
    bool AskErrorYesNo(const std::string& Text) override { return Answer(Text); }
    void ShowMessage(const std::string& Text) override { S.Messages.push_back(Text); }
    bool OpenTextFile(const std::string& Path) override
    {
        S.OpenedFiles.push_back(Path);
        return S.OpenSucceeds;
    }

private:
    bool Answer(const std::string& Text)
    {
        S.Questions.push_back(Text);
        if (S.Answers.empty())
            return false;
        const bool a = S.Answers.front();
        S.Answers.pop_front();
        return a;
    }
};
