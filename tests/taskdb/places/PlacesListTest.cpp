// Places: IDs, captions, removal and undo insertion, schedules, include closure.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "taskdb/TaskPlace.h"
#include "SmallStack.h"
#include "TestUi.h"

namespace {

std::vector<std::string> Captions(const std::vector<TTaskPlace*>& places)
{
    std::vector<std::string> out;
    for (const TTaskPlace* p : places)
        out.push_back(p->Caption);
    return out;
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
    EXPECT_EQ(list.Add("b")->PlaceID, 1);
    EXPECT_EQ(list.Add("c")->PlaceID, 2);
    EXPECT_EQ(list.NextPlaceID, 2);

    // The deleted place's ID may still be named by tasks: a new place must not take it.
    list.Remove(2, true);
    EXPECT_EQ(list.Add("d")->PlaceID, 3);
    list.Remove(0, true);
    EXPECT_EQ(list.Add("e")->PlaceID, 4);
    EXPECT_EQ(list.NextPlaceID, 4);

    // Clearing the list keeps the counter.
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Add("f")->PlaceID, 5);
}

TEST(PlaceIDs, OnlyPlaceZeroDeletedIsNotReused)
{
    TTaskPlacesList list;
    list.Add("a");
    list.Remove(0, true);
    EXPECT_EQ(list.Add("b")->PlaceID, 1);
}

TEST(PlaceIDs, CounterAsReadFromAFileStepsOverPlacesHoldingTheNextIds)
{
    // A file stores the last ID given; places read with it may hold the following IDs too.
    TTaskPlacesList list;
    for (int id : {0, 1, 2, 4}) {
        auto p = std::make_unique<TTaskPlace>();
        p->PlaceID = id;
        list.Insert(std::move(p));
    }
    list.NextPlaceID = 1;
    EXPECT_EQ(list.Add("x")->PlaceID, 3);
    EXPECT_EQ(list.Add("y")->PlaceID, 5);

    TTaskPlacesList fresh;   // a stored counter of 0 with place 0 present
    auto p = std::make_unique<TTaskPlace>();
    p->PlaceID = 0;
    fresh.Insert(std::move(p));
    fresh.NextPlaceID = 0;
    EXPECT_EQ(fresh.Add("z")->PlaceID, 1);

    // A place put back with an ID above the counter lifts it: the ID is not given again.
    auto high = std::make_unique<TTaskPlace>();
    high->PlaceID = 70;
    fresh.Insert(std::move(high));
    fresh.Remove(70, true);
    EXPECT_EQ(fresh.Add("w")->PlaceID, 71);
}

TEST(PlaceIDs, InsertRestoresAtTheEndAndRefusesATakenId)
{
    TTaskPlacesList list;
    list.Add("Home");
    list.Add("Office");
    list.Add("Car");

    std::unique_ptr<TTaskPlace> office = list.Remove(1, false);
    ASSERT_TRUE(office);
    EXPECT_EQ(office->Caption, "Office");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Remove(1, false), nullptr);   // no place has it any more

    list.Insert(std::move(office));
    EXPECT_FALSE(office);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2]->Caption, "Office");
    EXPECT_EQ(list.IndexOfID(1), 2);

    // Another place holding the ID: error, nothing inserted, the caller keeps the object.
    auto twin = std::make_unique<TTaskPlace>();
    twin->PlaceID = 0;
    twin->Caption = "Garden";
    TTaskPlace* raw = twin.get();
    try {
        list.Insert(std::move(twin));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  "Can not insert place: \"Garden\". Place Home with same ID=0 already exists.");
    }
    EXPECT_EQ(twin.get(), raw);
    EXPECT_EQ(list.Count(), 3);

    list.Insert(nullptr);
    EXPECT_EQ(list.Count(), 3);

    // Freeing removal answers nullptr as well.
    EXPECT_EQ(list.Remove(2, true), nullptr);
    EXPECT_EQ(list.FindByID(2), nullptr);
    EXPECT_EQ(list.Count(), 2);
}

TEST(PlaceCaptions, TrimmedOnAddAndFoundIgnoringCaseAndBlanks)
{
    TTaskPlacesList list;
    TTaskPlace* office = list.Add("  Office \t");
    EXPECT_EQ(office->Caption, "Office");
    EXPECT_EQ(list.FindByCaption(" oFFICE  "), office);
    EXPECT_EQ(list.FindByCaption("Offic"), nullptr);

    TTaskPlace* kitchen = list.Add("Küche");
    EXPECT_EQ(list.FindByCaption("KÜCHE"), kitchen);

    // The first in list order wins.
    list.Add("office");
    EXPECT_EQ(list.FindByCaption("OFFICE"), office);

    TTaskPlace place;
    place.SetCaption("\r\n\tGarage\x01 ");
    EXPECT_EQ(place.Caption, "Garage");
    place.SetPlaceNote("  kept as is ");
    EXPECT_EQ(place.PlaceNote, "  kept as is ");
}

TEST(PlaceCaptions, CaptionsTextSkipsUnknownIds)
{
    TTaskPlacesList list;
    for (const char* c : {"p0", "p1", "p2", "p3"})
        list.Add(c);
    EXPECT_EQ(list.CaptionsText({3, 99, 1}), "p3; p1");
    EXPECT_EQ(list.CaptionsText({99, 2}), "p2");
    EXPECT_EQ(list.CaptionsText({}), "");
    EXPECT_EQ(list.CaptionsText({42}), "");
}

TEST(PlaceSchedule, RangeListExistsExactlyWhileEnabled)
{
    TTaskPlace place;
    TTaskPlaceOpenCloseSchedule& s = place.OpenCloseSchedule;
    EXPECT_FALSE(s.Enabled());
    EXPECT_EQ(s.Ranges(), nullptr);

    s.SetEnabled(true);
    ASSERT_NE(s.Ranges(), nullptr);
    s.Ranges()->push_back({1, 0.25, 0.75});
    s.SetEnabled(true);   // no new list: the range stays
    ASSERT_EQ(s.Ranges()->size(), 1u);
    EXPECT_EQ(s.Ranges()->front().EndTime, 0.75);

    s.SetEnabled(false);
    EXPECT_EQ(s.Ranges(), nullptr);
    s.SetEnabled(true);
    EXPECT_TRUE(s.Ranges()->empty());
}

TEST(PlaceSchedule, EveryPlaceIsOpenWhateverTheSchedule)
{
    TTaskPlace place;
    place.OpenCloseSchedule.SetEnabled(true);
    place.OpenCloseSchedule.Ranges()->push_back({0, 45000.25, 45000.5});
    // At, inside, just outside and far from the only range.
    for (TDateTime d : {45000.25, 45000.3, 45000.5, 45000.5000001, 45000.2499999, 0.0, -700.0})
        EXPECT_TRUE(place.IsOpenAt(d)) << d;
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
    EXPECT_EQ(Captions(target), (std::vector<std::string>{"A", "B"}));
    ASSERT_EQ(ui.Warnings.size(), 1u);
    EXPECT_EQ(ui.Warnings[0],
              "Cycling in place: \"A\". Some tasks might not be included in ToDo.\n\r\n\r"
              "This situation might happen for example when \"place1\" includes \"place2\" and "
              "\"place2\" includes \"place1\" what is not allowed. Please check place \"A\" for "
              "cycling and fix this problem.");

    TTaskPlace* self = list.Add("Self");
    Include(self, self);
    list.CollectPlaces(self, target, 0);
    EXPECT_EQ(Captions(target), (std::vector<std::string>{"Self"}));
    ASSERT_EQ(ui.Warnings.size(), 2u);
    EXPECT_EQ(ui.Warnings[1].rfind("Cycling in place: \"Self\"", 0), 0u);
}

TEST_F(CollectPlacesTest, DiamondIsCollectedOnceSilentlyIncludesWalkedFromTheLast)
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
    EXPECT_EQ(Captions(target), (std::vector<std::string>{"A", "C", "D", "B"}));
    EXPECT_TRUE(ui.Warnings.empty());
}

TEST_F(CollectPlacesTest, CycleBehindADiamondWarnsPerClosingEdgeOnly)
{
    // A -> B, C; B -> D; C -> D; D -> A: the edge D -> A closes a cycle each time D is walked,
    // and D is walked once.
    TTaskPlace* a = list.Add("A");
    TTaskPlace* b = list.Add("B");
    TTaskPlace* c = list.Add("C");
    TTaskPlace* d = list.Add("D");
    Include(a, b);
    Include(a, c);
    Include(b, d);
    Include(c, d);
    Include(d, a);
    list.CollectPlaces(a, target, 0);
    EXPECT_EQ(Captions(target), (std::vector<std::string>{"A", "C", "D", "B"}));
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
    EXPECT_EQ(Captions(target), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(ui.Warnings.empty());
}

TEST_F(CollectPlacesTest, LongIncludeChainNeedsNoDeepCallStack)
{
    // Each place includes the next, closed into one big cycle; walked on a small stack.
    const int n = 20000;
    std::vector<TTaskPlace*> places;
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<TTaskPlace>();
        p->PlaceID = i;
        p->Caption = "p" + std::to_string(i);
        places.push_back(p.get());
        list.Insert(std::move(p));
    }
    for (int i = 0; i + 1 < n; ++i)
        Include(places[static_cast<size_t>(i)], places[static_cast<size_t>(i) + 1]);
    Include(places.back(), places.front());
    RunWithSmallStack([&] { list.CollectPlaces(places.front(), target, 0); });
    ASSERT_EQ(target.size(), static_cast<size_t>(n));
    EXPECT_EQ(target[1]->Caption, "p1");
    EXPECT_EQ(target.back()->Caption, "p19999");
    EXPECT_EQ(ui.Warnings.size(), 1u);
}

TEST_F(CollectPlacesTest, ManyLookupsWithSparseIdsFindTheSamePlaces)
{
    // Forty places with IDs far apart, each including the next and an ID nobody holds:
    // enough lookups for the walk to index the list.
    std::vector<TTaskPlace*> places;
    for (int i = 0; i < 40; ++i) {
        auto p = std::make_unique<TTaskPlace>();
        p->PlaceID = i * 100000 - 7;
        p->Caption = "s" + std::to_string(i);
        places.push_back(p.get());
        list.Insert(std::move(p));
    }
    for (int i = 0; i + 1 < 40; ++i)
        places[static_cast<size_t>(i)]->IncludedPlaces = {places[static_cast<size_t>(i) + 1]->PlaceID, 5};
    list.CollectPlaces(places[0], target, 0);
    ASSERT_EQ(target.size(), 40u);
    for (size_t i = 0; i < 40; ++i)
        EXPECT_EQ(target[i], places[i]);
    EXPECT_TRUE(ui.Warnings.empty());
}
