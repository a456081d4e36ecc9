#include "taskdb/PayloadPacking.h"

#include "zip/ZipStream.h"

namespace {

TPayloadPackFunc& PackFunc()
{
    static TPayloadPackFunc f;
    return f;
}

TPayloadPackFunc& UnpackFunc()
{
    static TPayloadPackFunc f;
    return f;
}

} // namespace

void PackPayload(TMemoryStream& stream, const std::string& password)
{
    if (PackFunc())
        PackFunc()(stream, password);
    else
        ZipStreamInPlace(stream, password);
    stream.SetPosition(0);
}

void UnpackPayload(TMemoryStream& stream, const std::string& password)
{
    if (UnpackFunc())
        UnpackFunc()(stream, password);
    else
        UnzipStreamInPlace(stream, password);
}

TPayloadPackingOverride::TPayloadPackingOverride()
    : TPayloadPackingOverride([](TMemoryStream& s, const std::string&) { s.SetPosition(0); },
                              [](TMemoryStream& s, const std::string&) { s.SetPosition(0); })
{
}

TPayloadPackingOverride::TPayloadPackingOverride(TPayloadPackFunc pack, TPayloadPackFunc unpack)
    : savedPack_(PackFunc()), savedUnpack_(UnpackFunc())
{
    PackFunc() = std::move(pack);
    UnpackFunc() = std::move(unpack);
}

TPayloadPackingOverride::~TPayloadPackingOverride()
{
    PackFunc() = std::move(savedPack_);
    UnpackFunc() = std::move(savedUnpack_);
}
