// The XML vocabulary: what is written, how values read back, places merged by caption, and an
// import that fails changing nothing.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <cmath>
#include <limits>
#include <sstream>
#include <tuple>

#include "platform/EnvironmentGuard.h"
#include "platform/Exceptions.h"
#include "platform/SystemCodePage.h"
#include "taskdb/DataFileStream.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "taskdb/XmlExchange.h"
#include "taskdb/tree/TreeSupport.h"

namespace {

class XmlExchangeTest : public ::testing::Test {
protected:
    // Parses a document body given as text and imports it under target.
    void Import(const std::string& body, TTaskNode* target = nullptr)
    {
        ASSERT_TRUE(doc.load_string(("<TovrinPlanner-xml ver=\"1.0\">" + body +
                                     "</TovrinPlanner-xml>").c_str(),
                                    XmlExchangeParseOptions()));
        db.ImportXml(doc.document_element(), target);
    }
    std::string Export(TTaskNode* start = nullptr)
    {
        pugi::xml_document out;
        db.ExportXml(out.append_child("r"), start);
        std::ostringstream s;
        out.document_element().print(s, "", pugi::format_raw);
        return s.str();
    }

    TClockOverride clock{45100.0};
    TTovrinDataBase db;
    pugi::xml_document doc;
};

TEST_F(XmlExchangeTest, DefaultTaskWritesOnlyItsCaptionAndMissingSectionsImportNothing)
{
    Import("");
    EXPECT_EQ(Export(), "<r><TaskTree><TaskNode Caption=\"\"/></TaskTree><PlacesList/></r>");
    Grow(*db.Root, "A(B)");
    EXPECT_EQ(Export(db.Root->Children[0]),
              "<r><TaskTree><TaskNode Caption=\"A\"><TaskNode Caption=\"B\"/></TaskNode>"
              "</TaskTree><PlacesList/></r>");
}

TEST_F(XmlExchangeTest, EveryValueInOrderWithFixedSeparators)
{
    TTaskPlace* home = db.PlacesList->Add("Home");
    TTaskPlace* work = db.PlacesList->Add("Work");
    home->IncludedPlaces = {work->PlaceID, 77};
    TTaskNode* t = db.Root->AddChild("All & <more>", -1);
    t->Importance = 0;
    t->Effort = 99;
    t->Estimate = 2.5;
    t->SetHideInToDo(true);
    t->Note.Add("one");
    t->Note.Add("");
    t->SetCompletionDateTime(EncodeDate(2023, 3, 4) + EncodeTime(14, 35, 12, 0));
    t->SetCompleteSubTasksInOrder(true);
    t->SetScheduleType(1);
    t->SetDueDateTime(EncodeDate(2024, 12, 31) + EncodeTime(23, 59, 59, 0));
    t->SetLeadTime(0.25);
    t->SetTheGoal(3);
    t->SetSatisfaction(7);
    t->SetIsProject(true);
    t->SetProjectStatus(2);
    t->Places = {work->PlaceID, 99, home->PlaceID};
    EXPECT_EQ(Export(t),
              "<r><TaskTree><TaskNode Caption=\"All &amp; &lt;more>\">"
              "<Importance>0</Importance><Effort>99</Effort><Estimate>2.5</Estimate>"
              "<HideInToDo>-1</HideInToDo><Note>one\r\n\r\n</Note>"
              "<CompletionDateTime>2023-03-04 14:35:12</CompletionDateTime>"
              "<CompleteSubTasksInOrder>-1</CompleteSubTasksInOrder>"
              "<DueDateTime>2024-12-31 23:59:59</DueDateTime><LeadTime>0.25</LeadTime>"
              "<ScheduleType>1</ScheduleType><TheGoal>3</TheGoal>"
              "<Satisfaction>7</Satisfaction><IsProject>-1</IsProject>"
              "<ProjectStatus>2</ProjectStatus>"
              "<Places><Place>Work</Place><Place>Home</Place></Places></TaskNode></TaskTree>"
              "<PlacesList><TaskPlace Caption=\"Home\"><Includes Place=\"Work\"/></TaskPlace>"
              "<TaskPlace Caption=\"Work\"/></PlacesList></r>");
}

TEST_F(XmlExchangeTest, DateTimeText)
{
    const TDateTime t = EncodeDate(2023, 3, 4) + EncodeTime(14, 35, 12, 0);
    EXPECT_EQ(FormatXmlDateTime(t), "2023-03-04 14:35:12");
    EXPECT_DOUBLE_EQ(ParseXmlDateTime("2023-03-04 14:35:12"), t);
    EXPECT_DOUBLE_EQ(ParseXmlDateTime("2023-03-04 14:35"), t - 12 / 86400.0);
    EXPECT_DOUBLE_EQ(ParseXmlDateTime(" 2023-03-04 "), EncodeDate(2023, 3, 4));
    EXPECT_EQ(FormatXmlDateTime(EncodeDate(2023, 3, 4) + 0.9999999999), "2023-03-05 00:00:00");
    // Before 1899-12-30 the time of day still counts forward from midnight.
    EXPECT_EQ(FormatXmlDateTime(-1.25), "1899-12-29 06:00:00");
    EXPECT_DOUBLE_EQ(ParseXmlDateTime("1899-12-29 06:00:00"), -1.25);
    // Out of the calendar's range (only a damaged file holds such a value): a plain number.
    EXPECT_EQ(FormatXmlDateTime(1e12), "1e+12");
    EXPECT_EQ(ParseXmlDateTime("1e+12"), 1e12);
    // Not finite: XML Schema's forms, and those an earlier export wrote.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(std::tuple(FormatXmlDateTime(NAN), FormatXmlDateTime(inf), FormatXmlDateTime(-inf)),
              std::tuple("NaN", "INF", "-INF"));
    EXPECT_TRUE(std::isnan(ParseXmlDateTime(" NaN ")));
    for (const char* text : {"INF", "inf", "+Infinity"})
        EXPECT_EQ(ParseXmlDateTime(text), inf) << text;
    EXPECT_EQ(ParseXmlDateTime("-inf"), -inf);
    for (const char* bad : {"", "2023-02-30", "2023-03-04 24:00", "2023-03-04 10:60",
                            "14:35", "2023-03-04x", "45000.5", "yesterday", "NaNa", "-"})
        EXPECT_THROW(ParseXmlDateTime(bad), EConvertError) << bad;
}

TEST_F(XmlExchangeTest, ValuesReadLenientlyAndLeftOutOnesTakeTheNewTasksDefaults)
{
    for (const char* yes : {"-1", "1", "true", "TRUE", " 5 "})
        EXPECT_TRUE(ParseXmlBoolean(yes)) << yes;
    for (const char* no : {"0", "false", "False"})
        EXPECT_FALSE(ParseXmlBoolean(no)) << no;
    EXPECT_THROW(ParseXmlBoolean("yes"), EConvertError);

    TTaskNode* parent = db.Root->AddChild("P", -1);
    parent->SetDueDateTime(45000);
    parent->SetLeadTime(5);
    Import("<TaskTree><TaskNode Caption=\"A\"><Estimate>2,5</Estimate><LeadTime>0.5</LeadTime>"
           "<HideInToDo>true</HideInToDo><IsProject>1</IsProject>"
           "<RoutineSchedule>1.5</RoutineSchedule><Importance> 7 </Importance>"
           "<Effort>\r\n  </Effort><DueDateTime> </DueDateTime></TaskNode>"
           "<TaskNode Caption=\"own\"><ScheduleType>1</ScheduleType></TaskNode>"
           "<TaskNode Caption=\"follows\"/></TaskTree>",
           parent);
    const TTaskNode& a = *parent->Children[0];
    EXPECT_EQ(std::tuple(a.Estimate, a.LeadTime, a.HideInToDo, a.HideInToDoInEffect, a.IsProject,
                         a.RoutineSchedule, a.Importance, a.Effort, a.DueDateTime),
              std::tuple(2.5, 0.5, true, true, true, 1.5, 7, 50, 45000.0));   // blank: left out
    const TTaskNode& own = *parent->Children[1];
    const TTaskNode& follows = *parent->Children[2];
    EXPECT_EQ(std::tuple(own.DueDateTime, own.LeadTime, follows.DueDateTime, follows.LeadTime),
              std::tuple(0.0, 1.0, 45000.0, 5.0));
}

TEST_F(XmlExchangeTest, WholeTreeImportsWithoutAnExtraTask)
{
    Grow(*db.Root, "A(A1) B");
    pugi::xml_document whole, sub;
    db.ExportXml(whole.append_child("TovrinPlanner-xml"), nullptr);
    db.ExportXml(sub.append_child("TovrinPlanner-xml"), db.Root->Children[0]);
    TTovrinDataBase other;
    other.ImportXml(whole.document_element(), nullptr);
    EXPECT_EQ(Shape(*other.Root), "A(A1) B");
    other.ImportXml(sub.document_element(), other.Root->Children[1]);   // one task under the target
    EXPECT_EQ(Shape(*other.Root), "A(A1) B(A(A1))");

    // Only a top-level TaskNode with an empty Caption and no Note stands for the whole tree: its
    // tasks come in, the container's remaining children do not.
    const std::pair<const char*, const char*> cases[] = {
        {"<TaskNode Caption=\"\"><TaskNode Caption=\"in\"/></TaskNode>", "before in"},
        {"<TaskNode><TaskNode Caption=\"in\"/></TaskNode>", "before (in) after"},
        {"<TaskNode Caption=\"\"><Note>n</Note><TaskNode Caption=\"in\"/></TaskNode>",
         "before (in) after"},
        {"<TaskNode Caption=\"P\"><TaskNode Caption=\"\"><TaskNode Caption=\"in\"/></TaskNode>"
         "</TaskNode>", "before P((in)) after"},
    };
    for (const auto& [node, shape] : cases) {
        db.Clear();
        Import(std::string("<TaskTree><TaskNode Caption=\"before\"/>") + node +
               "<TaskNode Caption=\"after\"/></TaskTree>");
        EXPECT_EQ(Shape(*db.Root), shape) << node;
    }
}

TEST_F(XmlExchangeTest, PlacesMergeByCaption)
{
    db.PlacesList->Add("Home");
    Import("<TaskTree><TaskNode Caption=\"A\"><Places><Place>  home </Place><Place>Garden</Place>"
           "</Places></TaskNode></TaskTree>"
           "<PlacesList><TaskPlace Caption=\"HOME\"><Includes Place=\"Shed\"/>"
           "<Includes Place=\"garden\"/></TaskPlace><TaskPlace Caption=\"Office\"/></PlacesList>");
    const std::string merged = Export();
    // Matched trimmed and regardless of case; the others added once.
    EXPECT_EQ(merged, "<r><TaskTree><TaskNode Caption=\"\"><TaskNode Caption=\"A\"><Places>"
                      "<Place>Home</Place><Place>Garden</Place></Places></TaskNode></TaskNode>"
                      "</TaskTree><PlacesList><TaskPlace Caption=\"Home\"><Includes Place=\"Shed\"/>"
                      "<Includes Place=\"Garden\"/></TaskPlace><TaskPlace Caption=\"Garden\"/>"
                      "<TaskPlace Caption=\"Shed\"/><TaskPlace Caption=\"Office\"/></PlacesList></r>");
    // The same places again add no place and no include twice.
    Import("<PlacesList><TaskPlace Caption=\"Home\"><Includes Place=\"Shed\"/></TaskPlace>"
           "</PlacesList>");
    EXPECT_EQ(Export(), merged);
}

TEST_F(XmlExchangeTest, FailedImportChangesNothing)
{
    std::string deep;
    for (int i = 0; i <= kMaxTaskNesting; ++i)
        deep += "<TaskNode Caption=\"x\">";
    for (int i = 0; i <= kMaxTaskNesting; ++i)
        deep += "</TaskNode>";
    const std::pair<std::string, const char*> cases[] = {
        {"<TaskNode Caption=\"ok\"><Places><Place>New</Place></Places></TaskNode>"
         "<TaskNode Caption=\"bad\"><Importance>high</Importance></TaskNode>", "of task"},
        {"<TaskNode Caption=\"a\"><TaskNode Caption=\"b\"><DueDateTime>2023-13-01"
         "</DueDateTime></TaskNode></TaskNode>", "of task"},
        {"<TaskNode Caption=\"c\"><IsProject>maybe</IsProject></TaskNode>", "of task"},
        {deep, "nested"},   // depth has a bound
    };
    db.PlacesList->Add("Home");
    const std::string before = Export();
    for (const auto& [bad, message] : cases) {
        try {
            Import("<TaskTree>" + bad + "</TaskTree><PlacesList><TaskPlace Caption=\"Other\"/>"
                   "</PlacesList>");
            FAIL() << bad;
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().find(message), std::string::npos) << e.Message();
        }
        EXPECT_EQ(Export(), before);
    }
}

TEST_F(XmlExchangeTest, InvalidUtf8InTheModelStillGivesAWellFormedDocument)
{
    TEnvironmentGuard env;
    env.Set("LC_ALL", "fr_FR.UTF-8");
    db.Root->AddChild("Caf\xE9", -1);
    const std::string text = Export();
    pugi::xml_document back;
    ASSERT_TRUE(back.load_string(text.c_str()));
    EXPECT_EQ(std::string(back.child("r").child("TaskTree").child("TaskNode")
                              .child("TaskNode").attribute("Caption").value()),
              "Caf\xC3\xA9");
}

} // namespace
