// The archive reader: the directory (names, dates, comments) and the extraction of every
// entry, read from memory through the stream name.
#include <exception>
#include <vector>

#include "platform/Stream.h"
#include "zip/LFNFileStream.h"
#include "zip/SuperUnZip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream archive{std::vector<uint8_t>(data, data + size)};
    TMemoryStream out;
    ZipStreamActive = true;
    ZipStreamReading = true;
    ZipStreamObject = &archive;
    {
        TSuperUnZip unzip;
        unzip.DoProcessMessages = false;
        unzip.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
        try {
            unzip.SetZipName(ZipStreamName);
            unzip.OpenZip();
            unzip.GetZipComment();
            for (int i = 0; i < unzip.Count(); ++i) {
                unzip.GetFileName(i);
                unzip.GetFileDate(i);
                unzip.GetFileComment(i);
            }
            unzip.UnzipToStream(out, "*");
        } catch (const std::exception&) {
        }
    }
    ZipStreamActive = false;
    ZipStreamObject = nullptr;
    return 0;
}
