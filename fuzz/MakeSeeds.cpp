// Writes starting inputs for the outline harnesses from random outlines saved by our own
// writer: data files (packed and unpacked), XML exports and tab-text exports.
// Usage: make_fuzz_seeds OUTPUT_DIR
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <pugixml.hpp>

#include "platform/Stream.h"
#include "taskdb/PayloadPacking.h"
#include "tests/taskdb/datafile/RandomOutline.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Save(TTovrinDataBase& db, int32_t version)
{
    TMemoryStream s;
    db.SaveToStream(s, "", version);
    return s.Bytes();
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
            WriteFile(root / "datafile" / ("v" + std::to_string(version) + "-" + tag), Save(db, version));
            TPayloadPackingOverride passThrough;
            WriteFile(root / "datarecords" / ("v" + std::to_string(version) + "-" + tag), Save(db, version));
        }
        pugi::xml_document xml;
        db.ExportXml(xml.append_child("TovrinPlanner-xml"), nullptr);
        std::ostringstream text;
        xml.save(text);
        const std::string s = text.str();
        WriteFile(root / "xmlimport" / tag, std::vector<uint8_t>(s.begin(), s.end()));
        const fs::path txt = root / "tabtext" / tag;
        db.ExportText(txt.string(), nullptr);
    }
    return 0;
}
