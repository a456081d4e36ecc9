// The XML exchange of whole outlines: export, and import (parsing included) into an empty
// document, for the usual outline with a few shared places and for one whose every task names
// a place of its own.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "taskdb/XmlExchange.h"

namespace {

// `count` tasks a few levels deep, with notes and dates on some; each task names one of 20
// places, or with ownPlaces a place of its own.
std::unique_ptr<TTovrinDataBase> MakeOutline(int count, bool ownPlaces)
{
    auto db = std::make_unique<TTovrinDataBase>();
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    if (!ownPlaces)
        for (int i = 0; i < 20; ++i)
            db->PlacesList->Add("Place " + std::to_string(i));
    std::vector<TTaskNode*> parents{db->Root.get()};
    for (int i = 0; i < count; ++i) {
        TTaskNode* parent = parents[static_cast<size_t>(pick(static_cast<int>(parents.size())))];
        TTaskNode* t = parent->AddChild("Task number " + std::to_string(i) + " with a caption", -1);
        t->Importance = pick(100);
        if (pick(3) == 0)
            t->Note.SetText("A note line about the task\nand a second line with more words");
        if (ownPlaces)
            t->Places.push_back(db->PlacesList->Add("Place of task " + std::to_string(i))->PlaceID);
        else if (pick(2) == 0)
            t->Places.push_back(pick(20));
        if (pick(4) == 0)
            t->SetCompletionDateTime(45000 + pick(300));
        if (t->Level() < 6 && pick(4) == 0)
            parents.push_back(t);
    }
    return db;
}

std::string ExportText(TTovrinDataBase& db)
{
    pugi::xml_document document;
    db.ExportXml(document.append_child("TovrinPlanner-xml"), nullptr);
    std::ostringstream text;
    document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    return text.str();
}

void Export(benchmark::State& state, bool ownPlaces)
{
    const auto db = MakeOutline(static_cast<int>(state.range(0)), ownPlaces);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = ExportText(*db);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void Import(benchmark::State& state, bool ownPlaces)
{
    const std::string text = ExportText(*MakeOutline(static_cast<int>(state.range(0)), ownPlaces));
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<TTovrinDataBase>();
        state.ResumeTiming();
        pugi::xml_document document;
        document.load_buffer(text.data(), text.size(), XmlExchangeParseOptions());
        db->ImportXml(document.document_element(), nullptr);
        benchmark::DoNotOptimize(db->PlacesList->Count());
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_XmlExport(benchmark::State& s) { Export(s, false); }
void BM_XmlImport(benchmark::State& s) { Import(s, false); }
void BM_XmlExportOwnPlaces(benchmark::State& s) { Export(s, true); }
void BM_XmlImportOwnPlaces(benchmark::State& s) { Import(s, true); }

BENCHMARK(BM_XmlExport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlImport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlExportOwnPlaces)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlImportOwnPlaces)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
