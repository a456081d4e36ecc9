// The option-sheet registry: order, placeholder groups, name clashes and removal.
#include <gtest/gtest.h>

#include "ui/options/OptionsSheetRegistry.h"
#include "ui/options/frmOptionsSheetBase.h"

namespace {

using Names = std::vector<std::string>;

TOptionsSheetBase* SheetA(TTovrinOptions*) { return nullptr; }
TOptionsSheetBase* SheetB(TTovrinOptions*) { return nullptr; }

// The entries in order, each as "group/name", a placeholder group marked with "*".
Names Layout(const TSheetList& list)
{
    Names names;
    for (int32_t i = 0; i < list.Count(); ++i) {
        const int32_t parent = list[i].ParentIndex;
        names.push_back((parent < 0 ? "" : list[parent].Name + "/") + list[i].Name + (list[i].IsPlaceholder() ? "*" : ""));
    }
    return names;
}

TEST(SheetRegistryTest, TheProgramsFourSheetsMakeTwoGroups)
{
    TSheetList list;
    EXPECT_EQ(list.Register("Tovrin File options", "Appearance", SheetA), "Appearance");
    for (const char* sheet : {"Behaviour", "Fonts and colors", "Autosave files"})
        list.Register("General Application Options", sheet, SheetA);
    EXPECT_EQ(Layout(list), (Names{"Tovrin File options*", "Tovrin File options/Appearance", "General Application Options*",
                                   "General Application Options/Behaviour", "General Application Options/Fonts and colors",
                                   "General Application Options/Autosave files"}));
}

TEST(SheetRegistryTest, ASecondSheetOfTheSameNameIsNumbered)
{
    TSheetList list;
    list.Register("General", "Behaviour", SheetA);
    EXPECT_EQ(list.Register("General", "Behaviour", SheetB), "Behaviour-1");
    EXPECT_EQ(list.Register("general ", " BEHAVIOUR", SheetB), "BEHAVIOUR-2");
    EXPECT_EQ(Layout(list), (Names{"General*", "General/Behaviour", "General/Behaviour-1", "General/BEHAVIOUR-2"}));
    EXPECT_EQ(list.IndexOf("  behaviour-1 "), 2);
}

TEST(SheetRegistryTest, RegisteringAGroupsNameTurnsThePlaceholderIntoTheSheet)
{
    TSheetList list;
    list.Register("Group", "Child", SheetA);
    EXPECT_EQ(list.Register("", "Group", SheetB), "Group");
    EXPECT_EQ(Layout(list), (Names{"Group", "Group/Child"}));  // keeps its place
    EXPECT_EQ(list[0].SheetClass, &SheetB);
}

TEST(SheetRegistryTest, AGroupThatIsMissingIsMadeBeforeItsSheet)
{
    TSheetList list;
    list.Register("", "Top", SheetA);
    list.Register("Later group", "Sheet", SheetA);
    EXPECT_EQ(Layout(list), (Names{"Top", "Later group*", "Later group/Sheet"}));
}

TEST(SheetRegistryTest, RemovalKeepsGroupLinksRightAndDropsEmptyPlaceholders)
{
    TSheetList list;
    list.Register("A", "A1", SheetA);
    list.Register("B", "B1", SheetA);
    list.Register("B", "B2", SheetA);
    list.Unregister("a1");  // its placeholder goes with it
    EXPECT_EQ(Layout(list), (Names{"B*", "B/B1", "B/B2"}));
    list.Unregister("B1");
    list.Unregister("missing");
    EXPECT_EQ(Layout(list), (Names{"B*", "B/B2"}));
    list.Unregister("B2");
    EXPECT_EQ(list.Count(), 0);
}

TEST(SheetRegistryTest, ARealGroupSheetIsNeverRemovedForItsChildren)
{
    TSheetList list;
    list.Register("", "Group", SheetA);
    list.Register("Group", "Child", SheetA);
    list.Unregister("Child");
    EXPECT_EQ(Layout(list), Names{"Group"});
    // Removing a group that still has sheets leaves it as their placeholder.
    list.Register("Group", "Child", SheetA);
    list.Unregister("Group");
    EXPECT_EQ(Layout(list), (Names{"Group*", "Group/Child"}));
    list.Unregister("Child");
    EXPECT_EQ(list.Count(), 0);
}

TEST(SheetRegistryTest, ASheetCannotBecomeItsOwnGroup)
{
    TSheetList list;
    list.Register("B", "A", SheetA);  // B is a placeholder, A is under it
    list.Register("A", "B", SheetA);  // B would go under its own child
    list.Register("Self", "Self", SheetA);
    EXPECT_EQ(Layout(list), (Names{"B", "B/A", "Self"}));
}

TEST(SheetRegistryTest, TheProcessRegistryExistsOnlyWhileItHasEntries)
{
    const bool hadEntries = OptionsSheets() != nullptr;
    const int32_t before = hadEntries ? OptionsSheets()->Count() : 0;
    const std::string name = RegisterOptionsSheet("Test group", "Test sheet", SheetA);
    ASSERT_NE(OptionsSheets(), nullptr);
    EXPECT_EQ(OptionsSheets()->Count(), before + 2);
    UnregisterOptionsSheet(name);
    EXPECT_EQ(OptionsSheets() != nullptr, hadEntries);
    if (hadEntries) {
        EXPECT_EQ(OptionsSheets()->Count(), before);
    }
}

} // namespace
