// Random outlines through the data file and through XML.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <sstream>

#include "GoldenFile.h"
#include "RandomOutline.h"
#include "taskdb/PayloadPacking.h"

namespace {

class RoundTripTest : public ::testing::TestWithParam<unsigned> {
protected:
    TPayloadPackingOverride passThrough;
    TClockOverride clock{45100.0};
};

TEST_P(RoundTripTest, DataFileKeepsEverything)
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

    TTovrinDataBase target;
    LoadBytes(target, bytes);
    // Which bytes hold which field is settled by the hand-assembled file; here every shape of
    // outline must come back whole.
    EXPECT_EQ(SaveBytes(target), bytes);
    ExpectSameOutline(source, target);
}

TEST_P(RoundTripTest, XmlKeepsEveryExchangedField)
{
    TTovrinDataBase source;
    TRandomOutline random(GetParam());
    random.Fill(source, random.Int(0, 150));

    pugi::xml_document doc;
    source.ExportXml(doc.append_child("TovrinPlanner-xml"), nullptr);
    std::ostringstream text;
    doc.save(text);

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_string(text.str().c_str(),
                                   pugi::parse_default | pugi::parse_ws_pcdata_single));
    TTovrinDataBase target;
    target.ImportXml(reread.document_element(), nullptr);
    ExpectSameOutline(source, target);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTripTest, ::testing::Range(1u, 31u));

} // namespace
