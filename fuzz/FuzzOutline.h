#pragma once
// Reading a data file from fuzz input, then checking that what was read saves and reads back
// (a reader must never accept an outline the program cannot keep).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/Stream.h"
#include "taskdb/PayloadPacking.h"
#include "taskdb/TovrinDataBase.h"

// Saves the document and reads it into a fresh one; aborts when that fails.
inline void CheckResaves(TTovrinDataBase& db)
{
    TMemoryStream saved;
    db.SaveToStream(saved, "", 3);
    saved.SetPosition(0);
    TTovrinDataBase again;
    try {
        again.LoadFromStream(saved, "");
    } catch (const std::exception&) {
        std::abort();
    }
}

inline void LoadAndResave(const uint8_t* data, size_t size, bool unpacked)
{
    std::optional<TPayloadPackingOverride> passThrough;
    if (unpacked)
        passThrough.emplace();
    TTovrinDataBase db;
    TMemoryStream in{std::vector<uint8_t>(data, data + size)};
    try {
        db.LoadFromStream(in, "");
    } catch (const std::exception&) {
        return;   // refused cleanly
    }
    CheckResaves(db);
}
