// Places: IDs, captions, removal and undo insertion, schedules, include closure, and giving one
// task's places to its subtree.
#include <tuple>

#include "platform/Exceptions.h"
#include "taskdb/PlaceLookup.h"
#include "ToDoSupport.h"

namespace {

using Ids = std::vector<int32_t>;

// Puts a place with a given ID into the list, as a reader or an undo step does.
TTaskPlace* Put(TTaskPlacesList& list, int32_t id, const std::string& caption = "")
{
    auto p = std::make_unique<TTaskPlace>();
    p->PlaceID = id;
    p->Caption = caption;
    TTaskPlace* raw = p.get();
    list.Insert(std::move(p));
    return raw;
}

} // namespace

TEST(PlaceIDs, NewListNumbersFromZeroAndNeverGivesAnIdTwice)
{
    TTaskPlacesList list;
    EXPECT_EQ(list.Add("a")->PlaceID, 0);
    list.Remove(0, true);   // only place 0, deleted
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Add("b")->PlaceID, 1);
    EXPECT_EQ(list.Add("c")->PlaceID, 2);
    EXPECT_EQ(list.NextPlaceID, 2);
    // The deleted place's ID may still be named by tasks: a new place must not take it.
    list.Remove(2, true);
    EXPECT_EQ(list.Add("d")->PlaceID, 3);
    list.Clear();   // keeps the counter
    EXPECT_EQ(list.Add("f")->PlaceID, 4);
    EXPECT_EQ(list.NextPlaceID, 4);

    // A file stores the last ID given; places read with it may hold the following IDs too.
    TTaskPlacesList read;
    for (int id : {0, 1, 2, 4})
        Put(read, id);
    read.NextPlaceID = 1;
    EXPECT_EQ(read.Add("x")->PlaceID, 3);
    EXPECT_EQ(read.Add("y")->PlaceID, 5);
    TTaskPlacesList fresh;   // a stored counter of 0 with place 0 present
    Put(fresh, 0);
    EXPECT_EQ(fresh.Add("z")->PlaceID, 1);
    // A place put back with an ID above the counter lifts it: the ID is not given again.
    Put(fresh, 70);
    fresh.Remove(70, true);
    EXPECT_EQ(fresh.Add("w")->PlaceID, 71);
    // The last ID there is is given too; after it an error, never a reused ID.
    fresh.NextPlaceID = 2147483646;
    EXPECT_EQ(fresh.Add("last")->PlaceID, 2147483647);
    EXPECT_THROW(fresh.Add("none left"), Exception);
}

TEST(PlaceIDs, InsertRestoresAtTheEndAndRefusesATakenId)
{
    TTaskPlacesList list;
    for (const char* c : {"Home", "Office", "Car"})
        list.Add(c);
    std::unique_ptr<TTaskPlace> office = list.Remove(1, false);
    ASSERT_TRUE(office);
    EXPECT_EQ(office->Caption, "Office");
    EXPECT_EQ(list.Remove(1, false), nullptr);   // no place has it any more
    list.Insert(std::move(office));
    list.Insert(nullptr);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOfID(1), 2);

    // Another place holding the ID: error, nothing inserted, the caller keeps the object.
    auto twin = std::make_unique<TTaskPlace>();
    twin->PlaceID = 0;
    twin->Caption = "Garden";
    try {
        list.Insert(std::move(twin));
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not insert place: \"Garden\". Place Home with same ID=0 already exists.");
    }
    ASSERT_TRUE(twin);
    EXPECT_EQ(twin->Caption, "Garden");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Remove(2, true), nullptr);   // freeing removal answers nullptr as well
    EXPECT_EQ(list.FindByID(2), nullptr);
    EXPECT_EQ(list.Count(), 2);
}

TEST(PlaceCaptions, TrimmedFoundIgnoringCaseAndBlanksAndJoined)
{
    TTaskPlacesList list;
    TTaskPlace* office = list.Add("  Office \t");
    EXPECT_EQ(office->Caption, "Office");
    EXPECT_EQ(list.FindByCaption(" oFFICE  "), office);
    EXPECT_EQ(list.FindByCaption("Offic"), nullptr);
    EXPECT_EQ(list.FindByCaption("KÜCHE"), list.Add("Küche"));
    list.Add("office");
    EXPECT_EQ(list.FindByCaption("OFFICE"), office) << "the first in list order wins";
    EXPECT_EQ(list.Add("\r\n\tGarage\x01 ")->Caption, "Garage");
    // IDs 0..3: Office, Küche, office, Garage.
    EXPECT_EQ(list.CaptionsText({3, 99, 1}), "Garage; Küche");
    EXPECT_EQ(list.CaptionsText({99, 2}), "office");
    EXPECT_EQ(list.CaptionsText({42}), "");
}

// The index an import keeps must answer as FindByCaption does, and add with IDs Add would give.
TEST(PlaceCaptions, AnIndexFindsWhatFindByCaptionFindsAndAddsWithFreeIds)
{
    TTaskPlacesList list;
    Put(list, 5, " Home");   // stored untrimmed, as a file may hold it
    Put(list, 7, "KÜCHE");
    Put(list, 3, "office");
    Put(list, 9, "Office");
    Put(list, 2, "caf\xE9");   // not UTF-8
    list.NextPlaceID = 6;       // a file may hold places above its counter
    TPlaceCaptionIndex index(list);
    for (const char* text : {"Home", " Home", "küche", " Küche\t", "KÖCHE", "OFFICE", "caf\xE9",
                             "CAF\xC9", "", "Garden"})
        EXPECT_EQ(index.Find(text), list.FindByCaption(text)) << text;

    TTaskPlace* garden = index.FindOrAdd(" Garden ");
    EXPECT_EQ(std::tuple(garden->PlaceID, garden->Caption), std::tuple(8, std::string("Garden")));
    EXPECT_EQ(index.FindOrAdd("GARDEN"), garden);
    EXPECT_EQ(index.FindOrAdd("Shed")->PlaceID, 10);   // steps over 9
    EXPECT_EQ(index.FindOrAdd("OFFICE")->PlaceID, 3);
    EXPECT_EQ(list.Count(), 7);
}

TEST(PlaceSchedule, RangeListExistsExactlyWhileEnabledAndEveryPlaceIsOpen)
{
    TTaskPlace place;
    TTaskPlaceOpenCloseSchedule& s = place.OpenCloseSchedule;
    s.SetEnabled(true);
    s.Ranges()->push_back({0, 45000.25, 45000.5});
    s.SetEnabled(true);   // no new list: the range stays
    ASSERT_EQ(s.Ranges()->size(), 1u);
    // At, inside, just outside and far from the only range.
    for (TDateTime d : {45000.25, 45000.3, 45000.5, 45000.5000001, 45000.2499999, 0.0, -700.0})
        EXPECT_TRUE(place.IsOpenAt(d)) << d;
    s.SetEnabled(false);
    EXPECT_EQ(s.Ranges(), nullptr);
    s.SetEnabled(true);
    EXPECT_TRUE(s.Ranges()->empty());
}

TEST(CollectPlaces, IncludeClosureWarnsOnlyForARealCycle)
{
    TRecordingUi ui;
    TTaskPlacesList list;
    std::vector<TTaskPlace*> target;
    const auto collect = [&](std::vector<Ids> includes, TDateTime date = 0) {
        list.Clear();
        for (size_t i = 0; i < includes.size(); ++i)
            Put(list, static_cast<int32_t>(i), std::string(1, static_cast<char>('A' + i)))->IncludedPlaces = includes[i];
        ui.Warnings.clear();
        list.CollectPlaces(list[0], target, date);
        return Captions(target);
    };
    // A includes B and B includes A: one warning naming A.
    EXPECT_EQ(collect({{1}, {0}}, 45000), (Names{"A", "B"}));
    EXPECT_EQ(ui.Warnings, Names{
        "Cycling in place: \"A\". Some tasks might not be included in ToDo.\n\r\n\r"
        "This situation might happen for example when \"place1\" includes \"place2\" and "
        "\"place2\" includes \"place1\" what is not allowed. Please check place \"A\" for "
        "cycling and fix this problem."});
    EXPECT_EQ(collect({{0}}), Names{"A"});
    EXPECT_EQ(ui.Warnings.size(), 1u);
    // A diamond is collected once, includes walked from the last, silently; a cycle behind it
    // (D includes A) warns once, as D is walked once. Missing IDs are skipped.
    EXPECT_EQ(collect({{1, 2}, {3}, {3}, {}}, 45000), (Names{"A", "C", "D", "B"}));
    EXPECT_TRUE(ui.Warnings.empty());
    EXPECT_EQ(collect({{1, 2, 77, -1}, {3}, {3}, {0}}), (Names{"A", "C", "D", "B"}));
    ASSERT_EQ(ui.Warnings.size(), 1u);
    EXPECT_EQ(ui.Warnings[0].rfind("Cycling in place: \"A\"", 0), 0u);

    list.CollectPlaces(nullptr, target, 0);
    EXPECT_TRUE(target.empty());
}

TEST(CollectPlaces, LongChainsAndSparseIdsNeedNoDeepStackAndFindTheSamePlaces)
{
    TRecordingUi ui;
    TTaskPlacesList list;
    std::vector<TTaskPlace*> target;
    // Each place includes the next, closed into one big cycle; walked on a small stack.
    // The IDs are dense but do not start at 0.
    const int n = 20000;
    std::vector<TTaskPlace*> places;
    for (int i = 0; i < n; ++i)
        places.push_back(Put(list, 1000 + i, "p" + std::to_string(i)));
    for (int i = 0; i < n; ++i)
        places[static_cast<size_t>(i)]->IncludedPlaces = {1000 + (i + 1) % n};
    RunWithSmallStack([&] { list.CollectPlaces(places.front(), target, 0); });
    EXPECT_EQ(target, places);
    EXPECT_EQ(ui.Warnings.size(), 1u);

    // Forty places with IDs far apart, each including the next and an ID nobody holds:
    // enough lookups for the walk to index the list.
    TTaskPlacesList sparse;
    places.clear();
    for (int i = 0; i < 40; ++i)
        places.push_back(Put(sparse, i * 100000 - 7));
    for (size_t i = 0; i + 1 < 40; ++i)
        places[i]->IncludedPlaces = {places[i + 1]->PlaceID, 5};
    sparse.CollectPlaces(places[0], target, 0);
    EXPECT_EQ(target, places);
    EXPECT_EQ(ui.Warnings.size(), 1u);
}

TEST(PlaceOperations, AddReplaceAndClearReachTheSubtreeOnly)
{
    const struct {
        void (TTovrinDataBase::*operation)(TTaskNode*);
        Ids taskPlaces;
        std::vector<Ids> after;   // task, sub, subsub; a nil task changes nothing
    } cases[] = {
        // Add appends the missing IDs in the task's order, each once.
        {&TTovrinDataBase::AddPlacesToSubtasks, {2, 5}, {{2, 5}, {5, 7, 2}, {2, 5}}},
        {&TTovrinDataBase::AddPlacesToSubtasks, {3, 3, 5}, {{3, 3, 5}, {5, 7, 3}, {3, 5}}},
        {&TTovrinDataBase::ReplaceSubtasksPlaces, {2, 5}, {{2, 5}, {2, 5}, {2, 5}}},
        {&TTovrinDataBase::ClearSubtasksPlaces, {2, 5}, {{}, {}, {}}},   // the task itself too
    };
    for (const auto& c : cases) {
        for (bool nil : {true, false}) {
            TTovrinDataBase db;
            Outline t = Grow(*db.Root, "task(sub(subsub)) sibling");
            t["task"]->Places = c.taskPlaces;
            t["sub"]->Places = {5, 7};
            t["sibling"]->Places = {9};
            for (auto& [caption, task] : t)
                task->SetModifiedDateTime(1000);
            (db.*c.operation)(nil ? nullptr : t["task"]);
            const std::vector<Ids> expected = nil ? std::vector<Ids>{c.taskPlaces, {5, 7}, {}} : c.after;
            EXPECT_EQ((std::vector<Ids>{t["task"]->Places, t["sub"]->Places, t["subsub"]->Places}), expected);
            EXPECT_EQ(t["sibling"]->Places, Ids{9});
            EXPECT_EQ(Where(*db.Root, [](auto& x) { return x.ModifiedDateTime != 1000; }), Names{});
            EXPECT_EQ(db.PlaceSourceTask, nullptr);
        }
    }
}
