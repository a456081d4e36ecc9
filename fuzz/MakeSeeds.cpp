// Writes starting inputs for the outline harnesses from random outlines saved by our own
// writer: data files (packed and unpacked), XML exports and tab-text exports.
// Usage: make_fuzz_seeds OUTPUT_DIR
#include <filesystem>
#include <string>

#include <pugixml.hpp>

#include "platform/Stream.h"
#include "taskdb/PayloadPacking.h"
#include "tests/taskdb/datafile/RandomOutline.h"

namespace {

void Save(TTovrinDataBase& db, int32_t version, const std::filesystem::path& path)
{
    TMemoryStream s;
    db.SaveToStream(s, "", version);
    s.SaveToFile(path.string());
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path root = argc > 1 ? argv[1] : "seeds";
    for (const char* name : {"datafile", "datarecords", "xmlimport", "tabtext"})
        fs::create_directories(root / name);
    const int sizes[] = {0, 1, 3, 8, 20, 60};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        TTovrinDataBase db;
        TRandomOutline(seed).Fill(db, sizes[seed % 6]);
        const std::string tag = std::to_string(seed);
        for (int32_t version = 1; version <= 3; ++version) {
            const std::string name = "v" + std::to_string(version) + "-" + tag;
            Save(db, version, root / "datafile" / name);
            TPayloadPackingOverride passThrough;
            Save(db, version, root / "datarecords" / name);
        }
        pugi::xml_document xml;
        db.ExportXml(xml.append_child("TovrinPlanner-xml"), nullptr);
        xml.save_file((root / "xmlimport" / tag).c_str());
        const fs::path txt = root / "tabtext" / tag;
        db.ExportText(txt.string(), nullptr);
    }
    return 0;
}
