// The option-sheet registry: order, placeholder groups, name clashes and removal.
#include <gtest/gtest.h>

#include "ui/OptionsSheetRegistry.h"
#include "ui/frmOptionsSheetBase.h"

namespace {

TOptionsSheetBase* SheetA(TTovrinOptions*) { return nullptr; }
TOptionsSheetBase* SheetB(TTovrinOptions*) { return nullptr; }

std::vector<std::string> Names(const TSheetList& list)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.Count(); ++i)
        names.push_back(list[i].Name);
    return names;
}

std::string ParentOf(const TSheetList& list, const std::string& name)
{
    const int32_t parent = list[list.IndexOf(name)].ParentIndex;
    return parent < 0 ? "" : list[parent].Name;
}

TEST(SheetRegistryTest, TheProgramsFourSheetsMakeTwoGroups)
{
    TSheetList list;
    EXPECT_EQ(list.Register("Tovrin File options", "Appearance", SheetA), "Appearance");
    list.Register("General Application Options", "Behaviour", SheetA);
    list.Register("General Application Options", "Fonts and colors", SheetA);
    list.Register("General Application Options", "Autosave files", SheetA);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Tovrin File options", "Appearance", "General Application Options",
                                                     "Behaviour", "Fonts and colors", "Autosave files"}));
    EXPECT_TRUE(list[0].IsPlaceholder());
    EXPECT_FALSE(list[1].IsPlaceholder());
    EXPECT_EQ(list[0].ParentIndex, -1);
    EXPECT_EQ(list[1].ParentIndex, 0);
    EXPECT_EQ(list[5].ParentIndex, 2);
}

TEST(SheetRegistryTest, ASecondSheetOfTheSameNameIsNumbered)
{
    TSheetList list;
    list.Register("General", "Behaviour", SheetA);
    EXPECT_EQ(list.Register("General", "Behaviour", SheetB), "Behaviour-1");
    EXPECT_EQ(list.Register("general ", " BEHAVIOUR", SheetB), "BEHAVIOUR-2");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(ParentOf(list, "Behaviour-2"), "General");
    EXPECT_EQ(list.IndexOf("  behaviour-1 "), 2);
}

TEST(SheetRegistryTest, RegisteringAGroupsNameTurnsThePlaceholderIntoTheSheet)
{
    TSheetList list;
    list.Register("Group", "Child", SheetA);
    EXPECT_EQ(list.Register("", "Group", SheetB), "Group");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Group", "Child"}));  // keeps its place
    EXPECT_FALSE(list[0].IsPlaceholder());
    EXPECT_EQ(list[0].SheetClass, &SheetB);
    EXPECT_EQ(ParentOf(list, "Child"), "Group");
}

TEST(SheetRegistryTest, AGroupThatIsMissingIsMadeBeforeItsSheet)
{
    TSheetList list;
    list.Register("", "Top", SheetA);
    list.Register("Later group", "Sheet", SheetA);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Top", "Later group", "Sheet"}));
    EXPECT_TRUE(list[1].IsPlaceholder());
    EXPECT_EQ(list[1].ParentIndex, -1);
}

TEST(SheetRegistryTest, RemovalKeepsGroupLinksRightAndDropsEmptyPlaceholders)
{
    TSheetList list;
    list.Register("A", "A1", SheetA);
    list.Register("B", "B1", SheetA);
    list.Register("B", "B2", SheetA);
    list.Unregister("a1");  // its placeholder goes with it
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "B1", "B2"}));
    EXPECT_EQ(ParentOf(list, "B1"), "B");
    EXPECT_EQ(ParentOf(list, "B2"), "B");
    list.Unregister("B1");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "B2"}));
    list.Unregister("missing");
    EXPECT_EQ(list.Count(), 2);
    list.Unregister("B2");
    EXPECT_EQ(list.Count(), 0);
}

TEST(SheetRegistryTest, ARealGroupSheetIsNeverRemovedForItsChildren)
{
    TSheetList list;
    list.Register("", "Group", SheetA);
    list.Register("Group", "Child", SheetA);
    list.Unregister("Child");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Group"}));
    // Removing a group that still has sheets leaves it as their placeholder.
    list.Register("Group", "Child", SheetA);
    list.Unregister("Group");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Group", "Child"}));
    EXPECT_TRUE(list[0].IsPlaceholder());
    list.Unregister("Child");
    EXPECT_EQ(list.Count(), 0);
}

TEST(SheetRegistryTest, ASheetCannotBecomeItsOwnGroup)
{
    TSheetList list;
    list.Register("B", "A", SheetA);   // B is a placeholder, A is under it
    list.Register("A", "B", SheetA);   // B would go under its own child
    EXPECT_EQ(ParentOf(list, "A"), "B");
    EXPECT_EQ(ParentOf(list, "B"), "");
    list.Register("Self", "Self", SheetA);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(ParentOf(list, "Self"), "");
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
    if (hadEntries)
        EXPECT_EQ(OptionsSheets()->Count(), before);
}

} // namespace
