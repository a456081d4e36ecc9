#pragma once
// The data file's payload is packed in place into a one-entry archive. The data-file code
// reaches the packer only through these two routines, so tests can look at the records
// unpacked.
#include <functional>
#include <string>

#include "platform/Stream.h"

using TPayloadPackFunc = std::function<void(TMemoryStream& stream, const std::string& password)>;

// Replaces the stream's content by a one-entry archive of it; position 0 afterwards.
void PackPayload(TMemoryStream& stream, const std::string& password);
// Replaces an archive by its content; an unreadable entry leaves the stream empty.
void UnpackPayload(TMemoryStream& stream, const std::string& password);

// While it lives, PackPayload and UnpackPayload use the given routines. The default
// constructor installs a pass-through that leaves the records as they are (tests only:
// files written that way are not readable by the program). One at a time.
class TPayloadPackingOverride {
public:
    TPayloadPackingOverride();
    TPayloadPackingOverride(TPayloadPackFunc pack, TPayloadPackFunc unpack);
    ~TPayloadPackingOverride();
    TPayloadPackingOverride(const TPayloadPackingOverride&) = delete;
    TPayloadPackingOverride& operator=(const TPayloadPackingOverride&) = delete;

private:
    TPayloadPackFunc savedPack_;
    TPayloadPackFunc savedUnpack_;
};
