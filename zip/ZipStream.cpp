#include "zip/ZipStream.h"

#include "platform/Stream.h"
#include "zip/SuperZip.h"

namespace {

template <class Transfer>
void InPlace(TStream& stream, const std::string& password, Transfer transfer)
{
    TMemoryStream result;
    stream.SetPosition(0);
    transfer(stream, result, password);
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        // The bytes change hands instead of being copied: held once, not twice.
        memory->Bytes().swap(result.Bytes());
    } else {
        stream.SetSize(0);
        stream.SetPosition(0);
        result.SetPosition(0);
        if (result.GetSize() > 0)
            stream.CopyFrom(result, result.GetSize());
    }
    stream.SetPosition(0);
}

}  // namespace

void ZipStreamTo(TStream& src, TStream& dst, const std::string& password)
{
    TSuperZip zip;
    zip.DoProcessMessages = false;
    if (!password.empty())
        zip.Password = password;
    zip.ZipToStream(src, dst);
}

void UnzipStreamTo(TStream& src, TStream& dst, const std::string& password)
{
    if (src.GetSize() == 0)
        return;
    TSuperZip zip;
    zip.DoProcessMessages = false;
    if (!password.empty())
        zip.Password = password;
    zip.UnzipFromStream(src, dst);
}

void ZipStreamInPlace(TStream& stream, const std::string& password) { InPlace(stream, password, ZipStreamTo); }

void UnzipStreamInPlace(TStream& stream, const std::string& password) { InPlace(stream, password, UnzipStreamTo); }
