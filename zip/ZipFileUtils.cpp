#include "zip/ZipFileUtils.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "platform/Stream.h"
#include "zip/MatchesMask.h"

namespace fs = std::filesystem;

int Percentage(int whole, int part) { return Percentage64(whole, part); }

int Percentage64(int64_t whole, int64_t done)
{
    if (whole <= 0)
        return 0;
    const double p = std::nearbyint(double(done) * 100.0 / double(whole));
    return p > 100 ? 100 : static_cast<int>(p);
}

void SlashSeparators(std::string& name) { std::replace(name.begin(), name.end(), '\\', '/'); }
void BackslashSeparators(std::string& name) { std::replace(name.begin(), name.end(), '/', '\\'); }

bool HasWildcards(std::string_view s) { return s.find_first_of("*?[]") != std::string_view::npos; }

TDateTime FileDateOf(const std::string& /*fileName*/) { return Date(); }

void GetCurrentDir(int /*drive*/, std::string& dir)
{
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    dir = ec ? std::string() : current.string();
}

void ChangeDir(const std::string& dir)
{
    std::error_code ec;
    fs::current_path(dir, ec);
    if (ec)
        throw EInOutError("Cannot change directory to \"" + dir + "\". " + ec.message());
}

void CopyFileBlocks(const std::string& source, const std::string& target)
{
    try {
        TFileStream in(source, TFileMode::fmOpenRead);
        TFileStream out(target, TFileMode::fmCreate);
        char block[2048];
        for (;;) {
            const int64_t got = in.Read(block, sizeof block);
            if (got < 0)
                throw EInOutError("Cannot read \"" + source + "\"");
            if (got == 0)
                break;
            if (out.Write(block, got) != got)
                throw EInOutError("Cannot write \"" + target + "\"");
        }
    } catch (const EStreamError& e) {
        throw EInOutError(e.Message());
    }
}

std::string GetVolumeLabel(const std::string& /*path*/) { return {}; }

std::string ShortOrLongPath(const std::string& path, bool toLong)
{
    if (!toLong || path.empty())
        return path;
    std::string rest = path;
    const bool trailing = rest.size() > 1 && rest.back() == '/';
    if (trailing)
        rest.pop_back();
    std::string result = rest.front() == '/' ? "/" : "";
    size_t start = result.size();
    std::string probe = result;
    while (start <= rest.size()) {
        size_t end = rest.find('/', start);
        if (end == std::string::npos)
            end = rest.size();
        const std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        const std::string candidate = probe + (probe.empty() || probe.back() == '/' ? "" : "/") + part;
        std::error_code ec;
        if (!fs::exists(candidate, ec))
            continue;   // a part that cannot be found is dropped
        probe = candidate;
    }
    if (trailing && !probe.empty() && probe.back() != '/')
        probe += '/';
    return probe;
}

TSearchData::TSearchData(const std::string& dir, const std::string& mask) : dir_(dir), mask_(mask)
{
    if (dir_.empty() || dir_.back() != '/')
        dir_ += '/';
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
        TZipSearchRec rec;
        rec.Name = it->path().filename().string();
        std::error_code e2;
        rec.IsDirectory = it->is_directory(e2) && !it->is_symlink(e2);
        if (!rec.IsDirectory) {
            const auto size = it->file_size(e2);
            rec.Size = e2 ? 0 : static_cast<int64_t>(size);
        }
        rec.Attr = rec.IsDirectory ? 0x10 : 0x20;
        if (::access((dir_ + rec.Name).c_str(), W_OK) != 0)
            rec.Attr |= 0x01;
        entries_.push_back(std::move(rec));
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const TZipSearchRec& a, const TZipSearchRec& b) { return a.Name < b.Name; });
}

TDirSearch::TDirSearch(const std::string& dir, bool recurse, const std::string& mask)
    : mask_(mask), recurse_(recurse)
{
    levels_.push_back(std::make_unique<TSearchData>(dir, mask));
}

void TDirSearch::NextFile(TZipSearchRec& searchRecord, std::string& fileName)
{
    fileName.clear();
    while (!levels_.empty()) {
        TSearchData& level = *levels_.back();
        if (!level.HasEntry()) {
            levels_.pop_back();
            if (!levels_.empty())
                levels_.back()->FindNext();
            continue;
        }
        const TZipSearchRec& entry = level.Entry();
        if (entry.IsDirectory) {
            if (recurse_ && entry.Name[0] != '.' && static_cast<int>(levels_.size()) < MaxLevels) {
                levels_.push_back(std::make_unique<TSearchData>(level.Dir() + entry.Name, mask_));
                continue;
            }
            level.FindNext();
            continue;
        }
        const bool noExtension = entry.Name.find('.') == std::string::npos;
        if (!MatchesMask(mask_, noExtension ? entry.Name + "." : entry.Name)) {
            level.FindNext();
            continue;
        }
        searchRecord = entry;
        fileName = level.Dir() + entry.Name;
        level.FindNext();
        return;
    }
}
