// The start-up choice, the demo's locations, the caption, the font text and the dialog filters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/FontText.h"
#include "ui/StartupChoice.h"
#include "ui/WindowCaption.h"
#include "ui/WindowServices.h"

namespace fs = std::filesystem;

TEST(StartupChoice, FirstArgumentNamesTheFile)
{
    auto choice = ChooseStartupFile({"  /data/plan.tvd  ", "second"}, "/home/u", "/last.tvd");
    EXPECT_EQ(choice.Kind, TStartupChoice::OpenFile);
    EXPECT_EQ(choice.FileName, "/data/plan.tvd");

    choice = ChooseStartupFile({"plan.tvd"}, "/home/u", "");
    EXPECT_EQ(choice.FileName, "/home/u/plan.tvd");
    choice = ChooseStartupFile({"sub/../plan.tvd"}, "/home/u/", "");
    EXPECT_EQ(choice.FileName, "/home/u/plan.tvd");
}

TEST(StartupChoice, OptionsAndBlankArgumentsKeepTheUntitledOutline)
{
    for (const char* arg : {"-platform", "--x", "", "   "}) {
        const auto choice = ChooseStartupFile({arg}, "/home/u", "/last.tvd");
        EXPECT_EQ(choice.Kind, TStartupChoice::KeepUntitled) << '"' << arg << '"';
    }
}

TEST(StartupChoice, WithoutArgumentsTheLastFileThenTheDemo)
{
    auto choice = ChooseStartupFile({}, "/home/u", "/last.tvd");
    EXPECT_EQ(choice.Kind, TStartupChoice::OpenLastFile);
    EXPECT_EQ(choice.FileName, "/last.tvd");
    choice = ChooseStartupFile({}, "/home/u", "");
    EXPECT_EQ(choice.Kind, TStartupChoice::CreateDemo);
}

TEST(DemoLocations, BesideTheProgramFirstThenInstalledData)
{
    const fs::path root = fs::temp_directory_path() / ("tovrin_demo_" + std::to_string(::getpid()));
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share");
    fs::create_directories(root / "user");
    std::ofstream(root / "share" / DemoDataFileName) << "<x/>";

    auto demo = FindDemoLocations((root / "bin").string(), {(root / "none").string(), (root / "share").string()},
                                  (root / "user").string());
    EXPECT_EQ(demo.DataPath, (root / "share" / DemoDataFileName).string());
    EXPECT_EQ(demo.TargetPath, (root / "bin" / DemoOutlineFileName).string());

    std::ofstream(root / "bin" / DemoDataFileName) << "<x/>";
    demo = FindDemoLocations((root / "bin").string(), {(root / "share").string()}, (root / "user").string());
    EXPECT_EQ(demo.DataPath, (root / "bin" / DemoDataFileName).string());

    if (::geteuid() != 0) {  // root writes everywhere
        ::chmod((root / "bin").c_str(), 0555);
        demo = FindDemoLocations((root / "bin").string(), {}, (root / "user").string());
        EXPECT_EQ(demo.TargetPath, (root / "user" / DemoOutlineFileName).string());
        ::chmod((root / "bin").c_str(), 0755);
    }
    fs::remove_all(root);
}

TEST(WindowCaption, NameModifiedMarkAndTrayHint)
{
    auto caption = MakeWindowCaption("", false);
    EXPECT_EQ(caption.Caption, "Tovrin Planner");
    caption = MakeWindowCaption("/home/u/plan.tvd", true);
    EXPECT_EQ(caption.Caption, "plan.tvd - Tovrin Planner *");
    EXPECT_EQ(caption.TrayHint, "plan.tvd - Tovrin Planner");
    EXPECT_EQ(MakeWindowCaption("", true).Caption, "Tovrin Planner *");
}

TEST(FontText, WritesAndReadsEveryField)
{
    TFontDesc font{"Tahoma", 1, 0, 8, fsBold | fsItalic};
    EXPECT_EQ(FontToString(font), "Tahoma,1,0,8,3");
    TFontDesc back{"Arial", 0, 255, 12, 0};
    StringToFont("Tahoma,1,0,8,3", back);
    EXPECT_EQ(FontToString(back), "Tahoma,1,0,8,3");

    TFontDesc system{"Tahoma", 204, clWindowText, 8, 0};
    EXPECT_EQ(FontToString(system), "Tahoma,204,-16777208,8,0");
}

TEST(FontText, BadOrMissingFieldsKeepTheProperty)
{
    const TFontDesc start{"Arial", 0, 255, 12, fsUnderline};
    TFontDesc font = start;
    StringToFont("", font);
    StringToFont("no comma", font);
    EXPECT_EQ(FontToString(font), FontToString(start));

    StringToFont("Courier New,x,,10,1", font);
    EXPECT_EQ(FontToString(font), "Courier New,0,255,10,1");

    font = start;
    StringToFont("Arial,0,255", font);  // a field counts only with a comma after it
    EXPECT_EQ(FontToString(font), "Arial,0,255,12,4");
    StringToFont(",,,14,", font);
    EXPECT_EQ(FontToString(font), "Arial,0,255,14,4");
    StringToFont("Verdana,2,3,4,junk", font);
    EXPECT_EQ(FontToString(font), "Verdana,2,3,4,4");
}

TEST(DialogFilter, ClassLibraryPairsBecomeQtFilters)
{
    EXPECT_EQ(QtFilterFromClassLibrary("Tovrin DB File (*.tvd)|*.tvd|All files (*.*)|*.*"),
              "Tovrin DB File (*.tvd);;All files (*.*)");
    EXPECT_EQ(QtFilterFromClassLibrary("Text|*.txt"), "Text (*.txt)");
}
