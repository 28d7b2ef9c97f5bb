// CMarkup on a document of about 1 MB: parsing, writing, and a whole Save then Load.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "host/Markup.h"
#include "platform/TextConv.h"

namespace {

std::wstring MegabyteDocument() {
    std::wstring doc = L"<ROOT>";
    for (int i = 0; doc.size() < 1000000; ++i)
        doc += L"<Item id=\"" + std::to_wstring(i) + L"\"><Name>name &amp; " + std::to_wstring(i) +
               L"</Name><Value>中文 value</Value><Key>||File|Open " + std::to_wstring(i) + L"</Key></Item>";
    return doc + L"</ROOT>";
}

void BM_MarkupParse(benchmark::State& state) {
    const std::wstring doc = MegabyteDocument();
    for (auto _ : state) {
        CMarkup xml;
        benchmark::DoNotOptimize(xml.SetDoc(doc.c_str()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_MarkupParse)->Unit(benchmark::kMillisecond);

void BM_MarkupWrite(benchmark::State& state) {
    CMarkup xml(MegabyteDocument().c_str());
    xml.FindElem();
    int n = 0;
    for (auto _ : state) {
        xml.SetAttrib(L"touched", ++n);  // makes the text stale, so GetDoc rebuilds it
        benchmark::DoNotOptimize(xml.GetDoc().GetLength());
    }
}
BENCHMARK(BM_MarkupWrite)->Unit(benchmark::kMillisecond);

void BM_MarkupSaveLoad(benchmark::State& state) {
    CMarkup source(MegabyteDocument().c_str());
    source.FindElem();
    int n = 0;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "markup_bench.xml";
    const CString file = NarrowToWide(path.string());
    for (auto _ : state) {
        source.SetAttrib(L"touched", ++n);
        source.Save(file);
        CMarkup loaded;
        benchmark::DoNotOptimize(loaded.Load(file));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_MarkupSaveLoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
