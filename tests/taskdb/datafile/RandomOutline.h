#pragma once
// Random outlines built through the model's own operations.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

class TRandomOutline {
public:
    explicit TRandomOutline(unsigned seed) : rng_(seed) {}

    // Whole seconds keep the XML date-time text exact.
    double Time() { return 40000 + Int(0, 20000) + Int(0, 86399) / 86400.0; }
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }

    std::string Text()
    {
        static const char* words[] = {"plan", "Ärger", "日本語", "caf\xC3\xA9", "a&b", "<tag>",
                                      "\"q\"", "x", "emoji \xF0\x9F\x99\x82", "tab\there"};
        std::string s = words[Int(0, 9)];
        for (int n = Int(0, 3); n > 0; --n)
            s += std::string(" ") + words[Int(0, 9)];
        return s;
    }

    void FillPlaces(TTaskPlacesList& places, int count)
    {
        for (int i = 0; i < count; ++i) {
            TTaskPlace* p = places.Add("Place " + std::to_string(i) + " " + Text());
            if (Chance(50))
                p->SetPlaceNote(Text() + "\r\n" + Text());
            if (Chance(50)) {
                p->OpenCloseSchedule.SetEnabled(true);
                p->OpenCloseSchedule.Flag = Chance(50);
                for (int n = Int(0, 3); n > 0; --n)
                    p->OpenCloseSchedule.Ranges()->push_back({Int(0, 6), Int(0, 23) / 24.0, Int(0, 23) / 24.0});
            }
        }
        for (const auto& p : places)
            for (int n = Int(0, 2); n > 0; --n) {
                const int32_t id = places[Int(0, places.Count() - 1)]->PlaceID;
                if (id != p->PlaceID && std::find(p->IncludedPlaces.begin(), p->IncludedPlaces.end(), id) == p->IncludedPlaces.end())
                    p->IncludedPlaces.push_back(id);
            }
    }

    void FillTask(TTaskNode& t, const TTaskPlacesList& places)
    {
        if (Chance(50)) t.Importance = Int(0, 99);
        if (Chance(50)) t.Effort = Int(0, 99);
        if (Chance(30)) t.Estimate = Int(0, 400) / 8.0;
        if (Chance(20)) t.SetHideInToDo(true);
        if (Chance(40)) {
            // Notes with empty lines in the middle and at the end.
            std::vector<std::string> lines;
            for (int n = Int(1, 4); n > 0; --n)
                lines.push_back(Chance(30) ? "" : Text());
            if (lines.front().empty())
                lines.front() = "first";
            for (const auto& l : lines)
                t.Note.Add(l);
        }
        if (Chance(30)) t.SetCompletionDateTime(Time());
        if (Chance(20)) t.SetCompleteSubTasksInOrder(true);
        if (Chance(30)) t.SetScheduleType(1);
        if (t.ScheduleType == 1) {   // type 0 follows its parent
            t.SetDueDateTime(Time());
            t.SetLeadTime(Int(0, 30) / 2.0);
        }
        if (Chance(30)) t.SetTheGoal(Int(0, 3));
        if (Chance(50)) t.SetSatisfaction(Int(0, 99));
        if (Chance(20)) t.SetIsProject(true);
        if (Chance(20)) t.SetProjectStatus(Int(0, 3));
        if (!places.IsEmpty())
            for (int n = Int(0, 2); n > 0; --n)
                t.Places.push_back(places[Int(0, places.Count() - 1)]->PlaceID);
        t.TaskID = Int(-10, 1000);
        t.SetCreatedDateTime(Time());
        t.SetModifiedDateTime(Time());
        if (Chance(20)) {
            t.SetOutlookEntryID("0000" + std::to_string(Int(1000, 9999)));
            t.SetIsOutlookRecurring(Chance(50));
        }
    }

    void Fill(TTovrinDataBase& db, int tasks)
    {
        FillPlaces(*db.PlacesList, Int(0, 6));
        std::vector<TTaskNode*> all{db.Root.get()};
        for (int i = 0; i < tasks; ++i) {
            TTaskNode* parent = all[static_cast<size_t>(Int(0, static_cast<int>(all.size()) - 1))];
            TTaskNode* t = parent->AddChild(Text(), -1);
            FillTask(*t, *db.PlacesList);
            all.push_back(t);
        }
    }

private:
    std::mt19937 rng_;
};
