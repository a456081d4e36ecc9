#include "zip/ZipComponentBase.h"

#include <cmath>

#include "platform/Stream.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipHost.h"

void TZipComponentBase::ProcessMessagesAndCheckAbort()
{
    if (!DoProcessMessages)
        return;
    ZipHost().ProcessMessages();
    if (AbortRequested) {
        AbortRequested = false;
        throw EUserCanceled("User Aborted Operation");
    }
}

int TZipComponentBase::Percent(double done, double total)
{
    if (!(total > 0))
        return 0;
    const double p = std::nearbyint(done * 100.0 / total);
    return p > 100 ? 100 : p < 0 ? 0 : static_cast<int>(p);
}

uint8_t TZipComponentBase::CryptCheckHeader(std::string_view passPhrase, TStream& stream)
{
    uint8_t header[12];
    stream.ReadBuffer(header, 12);
    // A damaged record may claim less than the header itself; never wrap to a huge size.
    CurrentHeader->CompressedSize = CurrentHeader->CompressedSize > 12 ? CurrentHeader->CompressedSize - 12 : 0;
    CryptInitKeys(passPhrase);
    CryptDecryptBuffer(header, 12);
    return header[11];
}
