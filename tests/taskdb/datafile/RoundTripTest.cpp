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
    auto source = std::make_unique<TTovrinDataBase>();
    TRandomOutline random(GetParam());
    random.Fill(*source, random.Int(0, 150));
    source->HeaderValue = random.Int(-5, 5);
    source->OutlookFolderPath = random.Text();
    source->LastSyncTime = random.Time();
    source->DeletedEntryIDs.Add("B" + random.Text());
    source->DeletedEntryIDs.Add("A" + random.Text());
    source->SetSyncOptionMode(static_cast<uint8_t>(random.Int(0, 255)));
    source->SetShowEffort(false);
    const auto bytes = SaveBytes(*source);

    auto target = std::make_unique<TTovrinDataBase>();
    LoadBytes(*target, bytes);
    // Which bytes hold which field is settled by the hand-assembled file; here every shape of
    // outline must come back whole.
    EXPECT_EQ(SaveBytes(*target), bytes);
    ExpectSameDerivedFlags(*source->Root, *target->Root);
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
    ExpectSameExchangedFields(*source.Root, *target.Root, *source.PlacesList,
                              *target.PlacesList);
    // Every place comes back under its caption with the same includes.
    ASSERT_EQ(target.PlacesList->Count(), source.PlacesList->Count());
    for (const auto& p : *source.PlacesList) {
        const TTaskPlace* q = target.PlacesList->FindByCaption(p->Caption);
        ASSERT_NE(q, nullptr) << p->Caption;
        EXPECT_EQ(source.PlacesList->CaptionsText(p->IncludedPlaces),
                  target.PlacesList->CaptionsText(q->IncludedPlaces));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTripTest, ::testing::Range(1u, 31u));

} // namespace
