// The Places page shows and edits the place its list highlights: when the page comes back from
// another one, after a click on the highlighted row, and after a refused caption whose row grew
// and shrank back under a click. Real mouse clicks and keys in the window offscreen.
#include "ui/places/PlacesWindowFixture.h"

namespace {

class HighlightedPlaceTest : public TPlacesWindowFixture {
protected:
    TTreeViewCheckBoxes* List() const { return window->Part<TPlacePanel>().lvPlaces(); }
    TTaskPlace* Place(const char* caption) const { return window->State().DataBase->PlacesList->FindByCaption(caption); }
    QRect Row(const TTaskPlace* place) const
    {
        return List()->visualItemRect(window->Part<TPlacePanel>().FindPlaceListItem(List(), place));
    }
    // The highlighted rows, the place the panel holds and the side shown, as one line.
    std::string Shown() const
    {
        std::string rows;
        for (const QTreeWidgetItem* item : List()->selectedItems())
            rows += item->text(0).toStdString() + " ";
        const TTaskPlace* current = window->State().CurrentPlace;
        return rows + "| " + (current ? current->Caption : "none") + " | " + Side();
    }
    // Rows that do not show the caption of their own place.
    std::string Misnamed() const
    {
        std::string rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i)
            if (const QTreeWidgetItem* item = List()->topLevelItem(i);
                item->text(0).toStdString() != TPlacePanel::ItemPlace(item)->Caption)
                rows += item->text(0).toStdString() + " ";
        return rows;
    }
    void Rename(const char* caption)
    {
        Type(window->Part<TPlacePanel>().memPlaceCaption(), caption, true);
        ClickTab("Outline");
    }
};

TEST_F(HighlightedPlaceTest, ThePageShowsTheHighlightedPlaceWhenItComesBack)
{
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"ToDo tab", [this] { ClickTab("ToDo"); ClickTab("Places"); }},
        {"Outline tab", [this] { ClickTab("Outline"); ClickTab("Places"); }},
        {"Ctrl+Tab round", [this] {
             for (int i = 0; i < 3; ++i)
                 Keys(Qt::Key_Tab, Qt::ControlModifier);
         }},
        {"Ctrl+Shift+Tab and back", [this] {
             Keys(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
             EXPECT_EQ(Side(), "none");  // the To-Do page, beside no row of House
             Keys(Qt::Key_Tab, Qt::ControlModifier);
         }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        SetUp();
        ClickTask("House");  // shown on the To-Do page by its subtasks' rows: the right side hides there
        ClickTab("Places");
        ClickPlace(phone);
        way();
        EXPECT_EQ(Shown(), "Phone | Phone | Place: Phone");
        ClickPlace(phone);
        EXPECT_EQ(Shown(), "Phone | Phone | Place: Phone");
        Rename("Mobile");
        EXPECT_EQ(SaveAndRead()->PlacesList->CaptionsText({phone->PlaceID}), "Mobile");
    }
}

// Town's caption is retyped as Home with a line break, which its row shows on two lines; the
// refusal as the panel lets go of it shrinks the row back.
TEST_F(HighlightedPlaceTest, ARefusedCaptionLeavesTheHighlightedRowThePanelsPlace)
{
    struct TWay {
        const char* Name;
        std::function<void()> Leave;
        std::string Place;  // the place highlighted and shown then
        std::string Saved;  // the places in the file once it is renamed Garage
    };
    const std::vector<TWay> ways = {
        {"a click beside the label of the row two below", [this] { ClickPlace(office); }, "Office",
         "Outdoors Home City Town Shop Garage Phone"},
        {"a click on that label",
         [this] {
             const QRect label = List()->LabelRect(window->Part<TPlacePanel>().FindPlaceListItem(List(), office));
             QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, label.center());
             ASSERT_TRUE(List()->IsEditing());
             Keys(Qt::Key_Escape);
         },
         "Office", "Outdoors Home City Town Shop Garage Phone"},
        {"a right click on that row, its menu closed",
         [this] {
             const QPoint at = Row(office).center();
             QTest::mouseClick(List()->viewport(), Qt::RightButton, {}, at);
             QContextMenuEvent menu(QContextMenuEvent::Mouse, at, List()->viewport()->mapToGlobal(at));
             QApplication::sendEvent(List()->viewport(), &menu);
             QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
         },
         "Office", "Outdoors Home City Town Shop Garage Phone"},
        {"a click on a row above", [this] { ClickPlace(city); }, "City",
         "Outdoors Home Garage Town Shop Office Phone"},
        {"a click below the rows, then Down",
         [this] {
             QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(20, List()->viewport()->height() - 5));
             Keys(Qt::Key_Down);
         },
         "Shop", "Outdoors Home City Town Garage Office Phone"},
        {"a save", [this] { Keys(Qt::Key_S, Qt::ControlModifier); }, "Town",
         "Outdoors Home City Garage Shop Office Phone"},
    };
    for (const TWay& way : ways) {
        SCOPED_TRACE(way.Name);
        SetUp();
        services.SaveFiles = {File("saved.tvd")};
        ClickTab("Places");
        ClickPlace(Place("Town"));
        Type(window->Part<TPlacePanel>().memPlaceCaption(), "Home", true);
        Keys(Qt::Key_Return);
        ASSERT_GT(Row(Place("Town")).height(), Row(office).height());
        way.Leave();
        QApplication::processEvents();
        EXPECT_EQ(services.Shown, Names{"Can not rename place \"Town\" to \"Home\": place \"Home\" has this caption."});
        EXPECT_EQ(Shown(), way.Place + " | " + way.Place + " | Place: " + way.Place);
        EXPECT_EQ(Misnamed(), "");
        Rename("Garage");
        EXPECT_EQ(Misnamed(), "");
        Keys(Qt::Key_S, Qt::ControlModifier);
        TTovrinDataBase saved;
        TFileStream in(File("saved.tvd"), TFileMode::fmOpenRead);
        saved.LoadFromStream(in, "");
        std::string captions;
        for (const auto& place : *saved.PlacesList)
            captions += (captions.empty() ? "" : " ") + place->Caption;
        EXPECT_EQ(captions, way.Saved);
        services = TScriptedServices();
    }
}

// Taken, the caption typed with its line break shows on its row as the place took it, trimmed.
TEST_F(HighlightedPlaceTest, ATakenCaptionShowsOnItsRowAsThePlaceHasIt)
{
    const std::vector<std::tuple<const char*, std::function<void()>, std::string>> ways = {
        {"a click beside the label of the row two below", [this] { ClickPlace(office); }, "Office"},
        {"a save", [this] { Keys(Qt::Key_S, Qt::ControlModifier); }, "Garden"},
    };
    for (const auto& [name, leave, place] : ways) {
        SCOPED_TRACE(name);
        SetUp();
        services.SaveFiles = {File("saved.tvd")};
        ClickTab("Places");
        ClickPlace(Place("Town"));
        Type(window->Part<TPlacePanel>().memPlaceCaption(), "Garden", true);
        Keys(Qt::Key_Return);
        leave();
        ASSERT_NE(Place("Garden"), nullptr);
        EXPECT_EQ(Misnamed(), "");
        EXPECT_EQ(Row(Place("Garden")).height(), Row(office).height());
        const std::string shown = Shown();
        EXPECT_EQ(shown.substr(0, shown.rfind(" | ")), place + " | " + place);
    }
}

} // namespace
