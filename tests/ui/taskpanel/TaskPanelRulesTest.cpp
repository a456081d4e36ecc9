// The panel's display-free rules: lead-time units, the estimate text and the places text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "taskdb/TaskPlace.h"
#include "taskdb/UiServices.h"
#include "ui/taskpanel/TaskPanelRules.h"

namespace {

void ExpectDisplay(double days, int32_t value, int32_t scale)
{
    const TLeadTimeDisplay d = LeadTimeDisplay(days);
    EXPECT_EQ(d.Value, value) << days;
    EXPECT_EQ(d.Scale, scale) << days;
}

TEST(LeadTime, ShownInTheUnitThatFits)
{
    ExpectDisplay(1.5, 36, LeadTimeHours);
    ExpectDisplay(14, 2, LeadTimeWeeks);
    ExpectDisplay(10, 10, LeadTimeDays);
    ExpectDisplay(0, 0, LeadTimeDays);
    ExpectDisplay(1, 1, LeadTimeDays);
    ExpectDisplay(7, 1, LeadTimeWeeks);
    // One hour is a fraction that is not exact in binary; it still shows as 1 hour.
    ExpectDisplay(1.0 / 24, 1, LeadTimeHours);
    ExpectDisplay(2 + 5.0 / 24, 53, LeadTimeHours);
    // Minutes are dropped.
    ExpectDisplay(0.5 + 30.0 / 1440, 12, LeadTimeHours);
}

TEST(LeadTime, ReadBackFromTheControls)
{
    EXPECT_DOUBLE_EQ(LeadTimeFromDisplay(3, -1), 3);  // an unknown unit counts days
    for (int32_t scale : {LeadTimeHours, LeadTimeDays, LeadTimeWeeks, -1})
        EXPECT_EQ(LeadTimeFromDisplay(0, scale), 0);
    // What is shown is what is written back, for the values the controls can show.
    for (double days : {1.5, 14.0, 10.0, 1.0, 0.25, 3.0 + 7.0 / 24, 70.0})
        EXPECT_NEAR(LeadTimeFromDisplay(LeadTimeDisplay(days).Value, LeadTimeDisplay(days).Scale), days, 1e-9);
}

TEST(LeadTime, ValuesNoControlCanHoldStayInRange)
{
    ExpectDisplay(std::numeric_limits<double>::quiet_NaN(), 0, LeadTimeDays);
    ExpectDisplay(std::numeric_limits<double>::infinity(), 0, LeadTimeDays);
    EXPECT_EQ(LeadTimeDisplay(1e12 + 0.5).Value, INT32_MAX);
    EXPECT_EQ(LeadTimeDisplay(7e15).Value, INT32_MAX);
}

TEST(Estimate, TextAndParsing)
{
    EXPECT_EQ(FormatEstimate(0, '.'), "");
    EXPECT_EQ(FormatEstimate(2, '.'), "2");
    EXPECT_EQ(FormatEstimate(1.5, '.'), "1.5");
    EXPECT_EQ(FormatEstimate(0.5, '.'), ".5");
    EXPECT_EQ(FormatEstimate(1.256, '.'), "1.26");
    EXPECT_EQ(FormatEstimate(1.5, ','), "1,5");
    EXPECT_EQ(FormatEstimate(10, '.'), "10");

    double hours = -1;
    EXPECT_TRUE(ParseEstimate("  ", hours));
    EXPECT_EQ(hours, 0);
    EXPECT_TRUE(ParseEstimate(" 2.5 ", hours));
    EXPECT_EQ(hours, 2.5);
    EXPECT_TRUE(ParseEstimate("1,5", hours));
    EXPECT_EQ(hours, 1.5);
    EXPECT_TRUE(ParseEstimate(".5", hours));
    EXPECT_EQ(hours, 0.5);
    EXPECT_FALSE(ParseEstimate("two", hours));
    EXPECT_FALSE(ParseEstimate("1.5h", hours));
    EXPECT_FALSE(ParseEstimate("nan", hours));
}

class PlacesText : public ::testing::Test {
protected:
    TTaskPlacesList list;
    TTaskPlace* home = list.Add("Home");
    TTaskPlace* work = list.Add("Work");
    std::vector<std::string> asked;
    std::vector<int32_t> answers;

    TPlacesParse Parse(const std::string& text)
    {
        return ParseTaskPlacesText(text, list, [this](const std::string& field) {
            asked.push_back(field);
            const int32_t answer = answers.empty() ? idNo : answers.front();
            if (!answers.empty())
                answers.erase(answers.begin());
            return answer;
        });
    }
};

TEST_F(PlacesText, KnownPlacesInTextOrderEachOnce)
{
    const TPlacesParse r = Parse(" work; Home ;HOME; ");
    EXPECT_EQ(r.Places, (std::vector<int32_t>{work->PlaceID, home->PlaceID}));
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(r.Created);
    EXPECT_TRUE(Parse("").Places.empty());
    EXPECT_TRUE(Parse("   ").Places.empty());
}

TEST_F(PlacesText, UnknownPlacesAskedForInOrder)
{
    answers = {idYes, idNo};
    const TPlacesParse r = Parse("Home;Shop;Garden;Work");
    EXPECT_EQ(asked, (std::vector<std::string>{"Shop", "Garden"}));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2]->Caption, "Shop");
    EXPECT_EQ(r.Places, (std::vector<int32_t>{home->PlaceID, list[2]->PlaceID, work->PlaceID}));
    EXPECT_TRUE(r.Created);
    EXPECT_FALSE(r.Cancelled);
    EXPECT_EQ(PlaceNotFoundQuestion("Shop"), "Place \"Shop\" not found. Create new place?");
}

// Fields empty once trimmed name no place; a new one is asked for, and made, as trimmed.
TEST_F(PlacesText, EmptyFieldsNameNothingAndANewPlaceIsAskedForTrimmed)
{
    struct Case {
        const char* Text;
        std::vector<std::string> Asked;
        size_t Places;
    };
    for (const Case& c : {Case{"Home;;Work", {}, 2}, Case{"Work;;Home; ;", {}, 2}, Case{" ; ;", {}, 0},
                          Case{"Home;  Shop ;;", {"Shop"}, 2}}) {
        asked.clear();
        answers = {idYes};
        const TPlacesParse r = Parse(c.Text);
        EXPECT_EQ(asked, c.Asked) << c.Text;
        EXPECT_EQ(r.Places.size(), c.Places) << c.Text;
    }
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2]->Caption, "Shop");
}

TEST_F(PlacesText, CancelStopsThere)
{
    answers = {idYes, idCancel};
    const TPlacesParse r = Parse("Shop;Garden;Home");
    EXPECT_TRUE(r.Cancelled);
    EXPECT_TRUE(r.Created);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(list.Count(), 3);  // the place created before the cancel stays
}

// The task's own places, named as the box shows them, stay, also where captions meet alike.
TEST_F(PlacesText, TheTasksPlacesKeepTheirFields)
{
    TTaskPlace* other = list.Add("home");
    TTaskPlace* both = list.Add("Work; Home");
    const std::vector<int32_t> held = {home->PlaceID, other->PlaceID, both->PlaceID};
    const auto parse = [&](const std::string& text) {
        return ParseTaskPlacesText(text, list, [](const std::string&) { return idNo; }, held).Places;
    };
    EXPECT_EQ(parse("Home; home; Work; Home"), held);
    EXPECT_EQ(parse("home"), (std::vector<int32_t>{other->PlaceID}));
    EXPECT_EQ(parse("work; home; HOME"), (std::vector<int32_t>{work->PlaceID, other->PlaceID, home->PlaceID}));
    EXPECT_EQ(parse("Work"), (std::vector<int32_t>{work->PlaceID}));
    const std::vector<int32_t> last = {home->PlaceID, list.Add("")->PlaceID};
    EXPECT_EQ(ParseTaskPlacesText("Home; ", list, [](const std::string&) { return idNo; }, last).Places, last);
    // Without such a place, a trailing ";" is what it always was.
    EXPECT_EQ(ParseTaskPlacesText("Home;", list, [](const std::string&) { return idYes; }, held).Places,
              (std::vector<int32_t>{home->PlaceID}));
}

// As typed over the box: a field goes to the place whose caption it spells exactly before one
// called alike but for case, and a caption spanning fields is not cut by a shorter one.
TEST_F(PlacesText, TypedOverTheBox)
{
    TTaskPlace* town = list.Add("Town");
    TTaskPlace* townShop = list.Add("Town; Shop");
    TTaskPlace* upper = list.Add("\xC3\x84pfel");  // Äpfel
    TTaskPlace* lower = list.Add("\xC3\xA4pfel");  // äpfel
    TTaskPlace* caps = list.Add("HOME");
    list.Add("Shed");
    TTaskPlace* shed = list.Add("Shed");
    struct Row {
        std::string text;
        std::vector<int32_t> held, places;
    } rows[] = {
        {"Town; Shop", {town->PlaceID, townShop->PlaceID}, {townShop->PlaceID}},
        {"Town; Shop; Town", {town->PlaceID, townShop->PlaceID}, {townShop->PlaceID, town->PlaceID}},
        {"Town;  Town ; Shop", {town->PlaceID, townShop->PlaceID}, {town->PlaceID, townShop->PlaceID}},
        {"Town", {town->PlaceID, townShop->PlaceID}, {town->PlaceID}},
        {"\xC3\xA4pfel", {}, {lower->PlaceID}},
        {"\xC3\xA4pfel", {upper->PlaceID}, {lower->PlaceID}},
        {"\xC3\x84PFEL; \xC3\xA4pfel", {upper->PlaceID}, {upper->PlaceID, lower->PlaceID}},
        {"HOME; Home", {home->PlaceID}, {caps->PlaceID, home->PlaceID}},
        {"Home; Home", {home->PlaceID, caps->PlaceID}, {home->PlaceID}},
        {"", {town->PlaceID, townShop->PlaceID}, {}},
        {"Town; Shop; Town; Shop", {townShop->PlaceID}, {townShop->PlaceID}},
        {"Shed; Shed", {shed->PlaceID}, {shed->PlaceID}},
    };
    for (const Row& row : rows) {
        asked.clear();
        EXPECT_EQ(ParseTaskPlacesText(row.text, list, [this](const std::string& f) {
            asked.push_back(f);
            return idNo;
        }, row.held).Places, row.places) << row.text;
        EXPECT_TRUE(asked.empty()) << row.text;
    }
}

} // namespace
