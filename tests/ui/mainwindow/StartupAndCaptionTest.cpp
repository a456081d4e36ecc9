// The start-up choice, the demo's locations, the caption, the font text and the dialog filters.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ui/options/FontText.h"
#include "ui/mainwindow/StartupChoice.h"
#include "ui/mainwindow/WindowCaption.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/mainwindow/TestFiles.h"

namespace {

TEST(StartupChoice, TheFirstArgumentThenTheLastFileThenTheDemo)
{
    using K = TStartupChoice::TKind;
    struct TCase {
        std::vector<std::string> Args;
        std::string CurrentDir, Last;
        K Kind;
        std::string FileName;
    } cases[] = {
        {{"  /data/plan.tvd  ", "second"}, "/home/u", "/last.tvd", K::OpenFile, "/data/plan.tvd"},
        {{"plan.tvd"}, "/home/u", "", K::OpenFile, "/home/u/plan.tvd"},
        {{"sub/../plan.tvd"}, "/home/u/", "", K::OpenFile, "/home/u/plan.tvd"},
        // Options and blank arguments keep the untitled outline.
        {{"-platform"}, "/home/u", "/last.tvd", K::KeepUntitled, ""},
        {{"--x"}, "/home/u", "/last.tvd", K::KeepUntitled, ""},
        {{""}, "/home/u", "/last.tvd", K::KeepUntitled, ""},
        {{"   "}, "/home/u", "/last.tvd", K::KeepUntitled, ""},
        {{}, "/home/u", "/last.tvd", K::OpenLastFile, "/last.tvd"},
        {{}, "/home/u", "", K::CreateDemo, ""},
    };
    for (const TCase& c : cases) {
        const TStartupChoice choice = ChooseStartupFile(c.Args, c.CurrentDir, c.Last);
        EXPECT_EQ(choice.Kind, c.Kind) << (c.Args.empty() ? "(none)" : c.Args[0]);
        if (!c.FileName.empty()) {
            EXPECT_EQ(choice.FileName, c.FileName);
        }
    }
}

TEST(DemoLocations, BesideTheProgramFirstThenInstalledData)
{
    TTempFolder root;
    for (const char* sub : {"bin", "share", "user"})
        std::filesystem::create_directories(root.File(sub));
    WriteAll(root.File("share/DemoData.dat"), "<x/>");

    auto demo = FindDemoLocations(root.File("bin"), {root.File("none"), root.File("share")}, root.File("user"));
    EXPECT_EQ(demo.DataPath, root.File("share/DemoData.dat"));
    EXPECT_EQ(demo.TargetPath, root.File("bin/tovrinPlannerDemo.tvd"));

    WriteAll(root.File("bin/DemoData.dat"), "<x/>");
    demo = FindDemoLocations(root.File("bin"), {root.File("share")}, root.File("user"));
    EXPECT_EQ(demo.DataPath, root.File("bin/DemoData.dat"));

    if (::geteuid() != 0) {  // root writes everywhere
        ::chmod(root.File("bin").c_str(), 0555);
        demo = FindDemoLocations(root.File("bin"), {}, root.File("user"));
        EXPECT_EQ(demo.TargetPath, root.File("user/tovrinPlannerDemo.tvd"));
        ::chmod(root.File("bin").c_str(), 0755);
    }
}

TEST(WindowCaption, NameModifiedMarkAndTrayHint)
{
    EXPECT_EQ(MakeWindowCaption("", false).Caption, "Tovrin Planner");
    EXPECT_EQ(MakeWindowCaption("", true).Caption, "Tovrin Planner *");
    const auto caption = MakeWindowCaption("/home/u/plan.tvd", true);
    EXPECT_EQ(caption.Caption, "plan.tvd - Tovrin Planner *");
    EXPECT_EQ(caption.TrayHint, "plan.tvd - Tovrin Planner");
}

TEST(FontText, WritesAndReadsEveryField)
{
    EXPECT_EQ(FontToString({"Tahoma", 1, 0, 8, fsBold | fsItalic}), "Tahoma,1,0,8,3");
    EXPECT_EQ(FontToString({"Tahoma", 204, clWindowText, 8, 0}), "Tahoma,204,-16777208,8,0");
    TFontDesc back{"Arial", 0, 255, 12, 0};
    StringToFont("Tahoma,1,0,8,3", back);
    EXPECT_EQ(FontToString(back), "Tahoma,1,0,8,3");
}

TEST(FontText, BadOrMissingFieldsKeepTheProperty)
{
    // Each text is read over the result of the one before; a field counts only with a comma after it.
    const std::pair<const char*, const char*> steps[] = {
        {"", "Arial,0,255,12,4"},
        {"no comma", "Arial,0,255,12,4"},
        {"Courier New,x,,10,1", "Courier New,0,255,10,1"},
        {"Arial,7,0", "Arial,7,255,10,1"},
        {",,,14,", "Arial,7,255,14,1"},
        {"Verdana,2,3,4,junk", "Verdana,2,3,4,1"},
    };
    TFontDesc font{"Arial", 0, 255, 12, fsUnderline};
    for (const auto& [text, expected] : steps) {
        StringToFont(text, font);
        EXPECT_EQ(FontToString(font), expected) << text;
    }
}

TEST(DialogFilter, ClassLibraryPairsBecomeQtFilters)
{
    EXPECT_EQ(QtFilterFromClassLibrary("Tovrin DB File (*.tvd)|*.tvd|All files (*.*)|*.*"),
              "Tovrin DB File (*.tvd);;All files (*.*)");
    EXPECT_EQ(QtFilterFromClassLibrary("Text|*.txt"), "Text (*.txt)");
}

} // namespace
