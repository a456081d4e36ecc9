#pragma once
// The in-place packer of the data file's payload: a one-entry archive "ZIPDATA" in memory.
#include <string>

class TStream;

// Replaces the whole content of stream by the archive of that content; position 0 after.
void ZipStreamInPlace(TStream& stream, const std::string& password);
// Replaces the whole content of stream by the content of its entry "ZIPDATA"; position 0
// after. Empty when nothing could be extracted (no such entry, or a wrong pass phrase). A
// damaged archive raises, leaving the stream's bytes as they were.
void UnzipStreamInPlace(TStream& stream, const std::string& password);
// The same into a second stream.
void ZipStreamTo(TStream& src, TStream& dst, const std::string& password);
void UnzipStreamTo(TStream& src, TStream& dst, const std::string& password);
