// XML import: the document as parsed from the input, imported under the root; the imported
// outline must save and read back.
#include <pugixml.hpp>

#include "fuzz/FuzzOutline.h"
#include "taskdb/XmlExchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pugi::xml_document document;
    if (!document.load_buffer(data, size, XmlExchangeParseOptions()))
        return 0;
    TTovrinDataBase db;
    try {
        db.ImportXml(document.document_element(), nullptr);
    } catch (const std::exception&) {
        return 0;
    }
    CheckResaves(db);
    return 0;
}
