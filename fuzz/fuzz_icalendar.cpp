// The iCalendar reader and the task folder's scan, on hostile files (as a server may hand
// them over): the text written back reads back to itself, and the input as a file of a task
// folder is read, changed and saved without a crash, with every file written whole.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "outlooksync/ICalendar.h"
#include "outlooksync/VdirTaskStore.h"

namespace {

namespace fs = std::filesystem;

// A scratch store for this process, removed at its end.
struct TScratchRoot {
    TScratchRoot() { fs::create_directories(Path / "tasks"); }
    ~TScratchRoot()
    {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
    fs::path Path = fs::temp_directory_path() / ("tovrin-fuzz-ical-" + std::to_string(::getpid()));
};

const fs::path& Root()
{
    static const TScratchRoot root;
    return root.Path;
}

void ScanAsTaskFolder(std::string_view text)
{
    const fs::path dir = Root() / "tasks";
    for (const auto& e : fs::directory_iterator(dir))
        fs::remove(e.path());
    std::ofstream(dir / "input.ics", std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));

    auto ns = CreateVdirApplication(Root().string())->GetNameSpace("MAPI");
    auto folder = ns->Folders()->Item(1);
    folder->DefaultItemType();
    auto items = folder->Items();
    for (int32_t i = 1; i <= items->Count(); ++i) {
        auto item = items->Item(i);
        try {
            item->EntryID();
            const std::u16string subject = item->Subject();
            item->Body();
            item->Categories();
            item->StartDate();
            item->DateCompleted();
            item->LastModificationTime();
            const bool recurring = item->IsRecurring();
            item->SetSubject(subject + u" (changed)");
            item->SetDueDate(item->DueDate() + 1);
            item->SetComplete(!item->Complete() || recurring);
            item->Save();
        } catch (const std::exception&) {
            // A file that cannot be used refuses with its reason.
        }
    }
    ns->EndRun();
    for (const auto& e : fs::directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string problem;
        if (written != text && (ParseICalendar(written, problem), !problem.empty()))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const std::string once = WriteICalendar(ParseICalendar(text, problem));
    if (WriteICalendar(ParseICalendar(once, problem)) != once)
        std::abort();
    ScanAsTaskFolder(text);
    return 0;
}
