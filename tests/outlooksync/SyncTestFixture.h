#pragma once
// What the synchronisation's tests share: a scripted stand-in for the window, scratch folders
// and files, and a fixture with an outline, an in-memory store with one task folder and a run
// over them, on a clock the test moves by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "outlooksync/MemoryOutlookStore.h"
#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncHost.h"
#include "outlooksync/SyncLog.h"
#include "platform/DateTime.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// The window: records every box and progress step, answers questions from a script and can
// abort at a chosen step.
struct TSyncTestHostState {
    std::vector<std::string> Errors, Questions, Messages, Captions, Steps, OpenedFiles;
    std::deque<bool> Answers;   // answers to Yes/No boxes; No when empty
    int AbortAtStep = -1;       // 1-based step at which the user aborts
    bool OpenSucceeds = true;
    std::function<void()> OnStep;   // runs at each progress step, as another program might
    int ProgressWindows = 0, ProgressWindowsOpen = 0;
};

class TSyncTestHost : public ISyncHost {
public:
    TSyncTestHostState S;

    struct TProgress : ISyncProgress {
        explicit TProgress(TSyncTestHostState& s) : S(s) { ++S.ProgressWindowsOpen; }
        ~TProgress() override { --S.ProgressWindowsOpen; }
        void SetCaption(const std::string& Caption) override { S.Captions.push_back(Caption); }
        void SetProgressMin(int32_t) override {}
        void SetProgressMax(int32_t) override {}
        bool Progress(const std::string& StatusText, int32_t) override
        {
            S.Steps.push_back(StatusText);
            if (S.OnStep)
                S.OnStep();
            return S.AbortAtStep <= 0 || static_cast<int>(S.Steps.size()) < S.AbortAtStep;
        }
        TSyncTestHostState& S;
    };

    std::unique_ptr<ISyncProgress> CreateProgress(const std::string& Caption, int32_t, int32_t,
                                                  const std::string&) override
    {
        ++S.ProgressWindows;
        S.Captions.push_back(Caption);
        return std::make_unique<TProgress>(S);
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
        const bool a = !S.Answers.empty() && S.Answers.front();
        if (!S.Answers.empty())
            S.Answers.pop_front();
        return a;
    }
};

inline std::u16string W(const std::string& S) { return AnsiToWide(S, 0); }
inline std::string A(const std::u16string& S) { return WideToAnsi(S, 0); }

inline std::string ReadText(const std::filesystem::path& Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteText(const std::filesystem::path& Path, const std::string& Text)
{
    std::ofstream(Path, std::ios::binary) << Text;
}

// A fresh folder named after the running test, removed with everything in it.
struct TScratchDir {
    TScratchDir()
    {
        Path = std::filesystem::temp_directory_path() /
               ("tovrin-sync-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
    }
    ~TScratchDir() { std::filesystem::remove_all(Path); }
    std::filesystem::path Path;
};

// Every test whose result depends on the time zone sets the zone it needs.
inline void UseTimeZone(const char* TZ)
{
    setenv("TZ", TZ, 1);
    tzset();
}

struct TLinkedPair {
    TTaskNode* Task;
    std::shared_ptr<TMemoryTaskItem> Item;
};

class SyncFixture : public ::testing::Test {
protected:
    SyncFixture()
        : clock([this] { return now; }), store(std::make_shared<TMemoryOutlookStore>())
    {
        personal = store->AddFolder("Personal Folders");
        folder = personal->AddFolder("Tasks");
        db.SyncLogLevel = 3;
        NewRun();
    }

    // A fresh run state, as one call of the run would have, pointed at the folder.
    void NewRun()
    {
        run = std::make_unique<TOutlookSyncRun>(db, host, store->Factory());
        run->Folder = folder;
        run->NameSpace = store;
        run->NewOutlookTasksParentTask = db.Root.get();
    }

    TTaskNode* AddTask(const std::string& caption, TTaskNode* parent = nullptr)
    {
        TTaskNode* t = (parent ? parent : db.Root.get())->AddChild(caption, -1);
        t->SetModifiedDateTime(now);
        return t;
    }

    // A task linked to a new stored item with the same subject, both last changed at `when`.
    TLinkedPair AddLinkedPair(const std::string& caption, TDateTime when,
                              TTaskNode* parent = nullptr)
    {
        auto item = folder->AddItem(caption, when);
        TTaskNode* t = AddTask(caption, parent);
        t->SetOutlookEntryID(item->Data.EntryID);
        t->SetModifiedDateTime(when);
        return {t, item};
    }

    std::shared_ptr<TMemoryTaskItem> NewItem()
    {
        return std::static_pointer_cast<TMemoryTaskItem>(folder->Items()->Add());
    }

    // True when a line of the run's log ends with `text`.
    bool Logged(const std::string& text) const
    {
        for (const std::string& line : run->Log->Lines().Items())
            if (line.size() >= text.size() &&
                line.compare(line.size() - text.size(), text.size(), text) == 0)
                return true;
        return false;
    }

    static std::vector<std::string> Captions(const TTaskNode* parent)
    {
        std::vector<std::string> out;
        for (const TTaskNode* t : parent->Children)
            out.push_back(t->Caption);
        return out;
    }

    const TSyncStatistics& Stats() const { return run->Log->SyncStatistics; }

    TDateTime now = 45000.5;   // 2023-03-15 12:00
    TClockOverride clock;
    TTovrinDataBase db;
    std::shared_ptr<TMemoryOutlookStore> store;
    std::shared_ptr<TMemoryFolder> personal;
    std::shared_ptr<TMemoryFolder> folder;
    TSyncTestHost host;
    std::unique_ptr<TOutlookSyncRun> run;
};
