// Places: IDs, captions, removal and undo insertion, schedules, include closure.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "taskdb/TaskPlace.h"
#include "ToDoFixture.h"

namespace {

Names Captions(const std::vector<TTaskPlace*>& places)
{
    Names out;
    for (const TTaskPlace* p : places)
        out.push_back(p->Caption);
    return out;
}

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

void Include(TTaskPlace* place, const TTaskPlace* included)
{
    place->IncludedPlaces.push_back(included->PlaceID);
}

} // namespace

TEST(PlaceIDs, NewListNumbersFromZeroAndNeverGivesAnIdTwice)
{
    TTaskPlacesList list;
    EXPECT_EQ(list.Add("a")->PlaceID, 0);
    list.Remove(0, true);   // only place 0, deleted
    EXPECT_EQ(list.Add("b")->PlaceID, 1);
    EXPECT_EQ(list.Add("c")->PlaceID, 2);
    EXPECT_EQ(list.NextPlaceID, 2);

    // The deleted place's ID may still be named by tasks: a new place must not take it.
    list.Remove(2, true);
    EXPECT_EQ(list.Add("d")->PlaceID, 3);
    list.Clear();   // keeps the counter
    EXPECT_EQ(list.Add("f")->PlaceID, 4);
    EXPECT_EQ(list.NextPlaceID, 4);
}

TEST(PlaceIDs, CounterAsReadFromAFileStepsOverPlacesHoldingTheNextIds)
{
    // A file stores the last ID given; places read with it may hold the following IDs too.
    TTaskPlacesList list;
    for (int id : {0, 1, 2, 4})
        Put(list, id);
    list.NextPlaceID = 1;
    EXPECT_EQ(list.Add("x")->PlaceID, 3);
    EXPECT_EQ(list.Add("y")->PlaceID, 5);

    TTaskPlacesList fresh;   // a stored counter of 0 with place 0 present
    Put(fresh, 0);
    EXPECT_EQ(fresh.Add("z")->PlaceID, 1);

    // A place put back with an ID above the counter lifts it: the ID is not given again.
    Put(fresh, 70);
    fresh.Remove(70, true);
    EXPECT_EQ(fresh.Add("w")->PlaceID, 71);
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
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  "Can not insert place: \"Garden\". Place Home with same ID=0 already exists.");
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

class CollectPlacesTest : public ::testing::Test {
protected:
    TRecordingUi ui;
    TTaskPlacesList list;
    std::vector<TTaskPlace*> target;
};

TEST_F(CollectPlacesTest, RealCycleWarnsOnceNamingThePlaceReachedAgain)
{
    TTaskPlace* a = list.Add("A");
    TTaskPlace* b = list.Add("B");
    Include(a, b);
    Include(b, a);
    list.CollectPlaces(a, target, 45000);
    EXPECT_EQ(Captions(target), (Names{"A", "B"}));
    ASSERT_EQ(ui.Warnings.size(), 1u);
    EXPECT_EQ(ui.Warnings[0],
              "Cycling in place: \"A\". Some tasks might not be included in ToDo.\n\r\n\r"
              "This situation might happen for example when \"place1\" includes \"place2\" and "
              "\"place2\" includes \"place1\" what is not allowed. Please check place \"A\" for "
              "cycling and fix this problem.");

    TTaskPlace* self = list.Add("Self");
    Include(self, self);
    list.CollectPlaces(self, target, 0);
    EXPECT_EQ(Captions(target), (Names{"Self"}));
    ASSERT_EQ(ui.Warnings.size(), 2u);
    EXPECT_EQ(ui.Warnings[1].rfind("Cycling in place: \"Self\"", 0), 0u);
}

TEST_F(CollectPlacesTest, DiamondIsCollectedOnceSilentlyAndACycleBehindItWarnsOnce)
{
    TTaskPlace* a = list.Add("A");
    TTaskPlace* b = list.Add("B");
    TTaskPlace* c = list.Add("C");
    TTaskPlace* d = list.Add("D");
    Include(a, b);
    Include(a, c);
    Include(b, d);
    Include(c, d);
    list.CollectPlaces(a, target, 45000);
    EXPECT_EQ(Captions(target), (Names{"A", "C", "D", "B"}));   // includes walked from the last
    EXPECT_TRUE(ui.Warnings.empty());

    // D -> A closes a cycle each time D is walked, and D is walked once.
    Include(d, a);
    list.CollectPlaces(a, target, 0);
    EXPECT_EQ(Captions(target), (Names{"A", "C", "D", "B"}));
    ASSERT_EQ(ui.Warnings.size(), 1u);
    EXPECT_EQ(ui.Warnings[0].rfind("Cycling in place: \"A\"", 0), 0u);
}

TEST_F(CollectPlacesTest, NilEmptiesTargetAndMissingIncludesAreSkipped)
{
    TTaskPlace* a = list.Add("A");
    TTaskPlace* b = list.Add("B");
    target.push_back(b);
    list.CollectPlaces(nullptr, target, 0);
    EXPECT_TRUE(target.empty());

    a->IncludedPlaces = {77, b->PlaceID, -1};
    list.CollectPlaces(a, target, 0);
    EXPECT_EQ(Captions(target), (Names{"A", "B"}));
    EXPECT_TRUE(ui.Warnings.empty());
}

TEST_F(CollectPlacesTest, LongIncludeChainNeedsNoDeepCallStack)
{
    // Each place includes the next, closed into one big cycle; walked on a small stack.
    const int n = 20000;
    std::vector<TTaskPlace*> places;
    for (int i = 0; i < n; ++i)
        places.push_back(Put(list, i, "p" + std::to_string(i)));
    for (int i = 0; i + 1 < n; ++i)
        Include(places[static_cast<size_t>(i)], places[static_cast<size_t>(i) + 1]);
    Include(places.back(), places.front());
    RunWithSmallStack([&] { list.CollectPlaces(places.front(), target, 0); });
    EXPECT_EQ(target, places);
    EXPECT_EQ(ui.Warnings.size(), 1u);
}

TEST_F(CollectPlacesTest, ManyLookupsWithSparseIdsFindTheSamePlaces)
{
    // Forty places with IDs far apart, each including the next and an ID nobody holds:
    // enough lookups for the walk to index the list.
    std::vector<TTaskPlace*> places;
    for (int i = 0; i < 40; ++i)
        places.push_back(Put(list, i * 100000 - 7));
    for (size_t i = 0; i + 1 < 40; ++i)
        places[i]->IncludedPlaces = {places[i + 1]->PlaceID, 5};
    list.CollectPlaces(places[0], target, 0);
    EXPECT_EQ(target, places);
    EXPECT_TRUE(ui.Warnings.empty());
}
