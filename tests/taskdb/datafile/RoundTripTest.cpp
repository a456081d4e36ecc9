// Random outlines through the data file and through XML: every shape of outline comes back whole.
// Which bytes and names hold which field is settled by the hand-assembled file and the exact
// XML texts; here the whole results are compared.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "GoldenFile.h"
#include "RandomOutline.h"
#include "taskdb/PayloadPacking.h"

namespace {

std::string Text(const pugi::xml_node& node)
{
    std::ostringstream text;
    node.print(text);
    return text.str();
}

// An outline through the XML export: the task tree, and the places as a set (an import adds
// places in the order the tasks name them).
auto XmlOutline(TTovrinDataBase& db, std::string* document = nullptr)
{
    pugi::xml_document doc;
    db.ExportXml(doc.append_child("TovrinPlanner-xml"), nullptr);
    if (document)
        *document = Text(doc);
    std::multiset<std::string> places;
    for (const pugi::xml_node place : doc.first_child().child("PlacesList").children())
        places.insert(Text(place));
    return std::pair(Text(doc.first_child().child("TaskTree")), places);
}

class RoundTripTest : public ::testing::TestWithParam<unsigned> {
protected:
    TPayloadPackingOverride passThrough;
    TClockOverride clock{45100.0};
};

TEST_P(RoundTripTest, DataFileAndXmlKeepEverything)
{
    TTovrinDataBase source;
    TRandomOutline random(GetParam());
    random.Fill(source, random.Int(0, 150));
    source.HeaderValue = random.Int(-5, 5);
    source.OutlookFolderPath = random.Text();
    source.LastSyncTime = random.Time();
    source.DeletedEntryIDs.Add("B" + random.Text());
    source.DeletedEntryIDs.Add("A" + random.Text());
    source.SetSyncOptionMode(static_cast<uint8_t>(random.Int(0, 255)));
    source.SetShowEffort(false);
    const auto bytes = SaveBytes(source);
    std::string xml;
    const auto outline = XmlOutline(source, &xml);

    TTovrinDataBase fromFile;
    LoadBytes(fromFile, bytes);
    EXPECT_EQ(SaveBytes(fromFile), bytes);
    EXPECT_EQ(XmlOutline(fromFile), outline);
    ExpectConsistentFlags(*fromFile.Root);

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_string(xml.c_str(), pugi::parse_default | pugi::parse_ws_pcdata_single));
    TTovrinDataBase fromXml;
    fromXml.ImportXml(reread.document_element(), nullptr);
    EXPECT_EQ(XmlOutline(fromXml), outline);
    ExpectConsistentFlags(*fromXml.Root);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTripTest, ::testing::Range(1u, 31u));

int Depth(const TTaskNode& root, const TTaskNode** deepest = nullptr)
{
    const TTaskNode* t = &root;
    int depth = 0;
    for (; !t->Children.Empty(); ++depth)
        t = t->Children[0];
    if (deepest)
        *deepest = t;
    return depth;
}

TEST(DepthBound, AnOutlineAsDeepAsTheProgramAllowsReopensAndCannotBeImportedDeeper)
{
    TClockOverride clock{45100.0};
    TTovrinDataBase db;
    TTaskNode* task = db.Root.get();
    for (int i = 1; i <= kMaxTaskNesting; ++i)
        task = task->AddChild("L" + std::to_string(i), -1);
    task->SetCompletionDateTime(45000);
    const auto bytes = SaveBytes(db);   // packed and unpacked by the real archive code

    TTovrinDataBase reopened;
    LoadBytes(reopened, bytes);
    const TTaskNode* deepest = nullptr;
    EXPECT_EQ(Depth(*reopened.Root, &deepest), kMaxTaskNesting);
    EXPECT_EQ(deepest->Caption, "L10000");
    EXPECT_TRUE(deepest->CompletedMark);
    EXPECT_EQ(SaveBytes(reopened), bytes);

    std::string xml;
    XmlOutline(db, &xml);
    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_string(xml.c_str()));
    TTovrinDataBase fromXml;
    fromXml.ImportXml(reread.document_element(), nullptr);
    EXPECT_EQ(Depth(*fromXml.Root), kMaxTaskNesting);
    // The same document once more, below the top task, would go one level too deep.
    TTaskNode* top = fromXml.Root->Children[0];
    try {
        fromXml.ImportXml(reread.document_element(), top);
        ADD_FAILURE() << "imported";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Tasks can not be nested more than 10000 levels deep.");
    }
    EXPECT_EQ(top->Children.Count(), 1);
    EXPECT_EQ(fromXml.Root->Children.Count(), 1);
    EXPECT_EQ(Depth(*fromXml.Root), kMaxTaskNesting);
}

} // namespace
