// Parsing and reading a large result file: a computer with many software
// titles, drives and hotfixes, about what a server full of tools produces.
#include "common/XmlDocument.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>
#include <string>

// Bytes requested from the heap, to report the memory a parse takes.
static size_t g_allocatedBytes = 0;

void* operator new(size_t size)
{
    g_allocatedBytes += size;
    if (void* p = malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete(void* p, size_t) noexcept
{
    free(p);
}

namespace {

std::string MakeResult(int titles)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Kestrova>\r\n<Version>1.2</Version>\r\n";
    text += "<Description name=\"PC1\" username=\"admin\" mfg=\"Maker\" model=\"M1\" modelno=\"\" serialno=\"S1\" "
            "type=\"Desktop\"/>\r\n<Hotfixes>\r\n";
    for (int i = 0; i < titles / 4; ++i) {
        text += "<Hotfix>KB" + std::to_string(100000 + i) + "</Hotfix>\r\n";
    }
    text += "</Hotfixes>\r\n<Software>\r\n";
    for (int i = 0; i < titles; ++i) {
        text += "<Title id=\"{6F9619FF-8B86-D011-B42D-00C04FC9" + std::to_string(1000 + i) +
                "}\" desc=\"Some Application &amp;lt;x64&amp;gt; " + std::to_string(i) +
                "\" mfg=\"Some Vendor Ltd.\" version=\"1.2." + std::to_string(i) + "\"/>\r\n";
    }
    text += "</Software>\r\n</Kestrova>\r\n";
    return text;
}

void BM_ParseResult(benchmark::State& state)
{
    std::string text = MakeResult(static_cast<int>(state.range(0)));
    size_t before = g_allocatedBytes;
    for (auto _ : state) {
        XmlDocument doc;
        benchmark::DoNotOptimize(doc.SetDocument(text.c_str()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["text_bytes"] = static_cast<double>(text.size());
    // Heap bytes per parse (the copy of the text and the record store).
    state.counters["heap_bytes"] =
        static_cast<double>(g_allocatedBytes - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ParseResult)->Arg(100)->Arg(2000)->Arg(50000);

void BM_ReadAllTitles(benchmark::State& state)
{
    std::string text = MakeResult(static_cast<int>(state.range(0)));
    XmlDocument doc;
    doc.SetDocument(text.c_str());
    for (auto _ : state) {
        doc.ResetPos();
        doc.FindChildElement("Software");
        doc.IntoElement();
        size_t total = 0;
        while (doc.FindChildElement("Title")) {
            total += doc.GetChildAttribute("desc").size() + doc.GetChildAttribute("version").size();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadAllTitles)->Arg(2000);

// Building a result the way the writer does: append, then set attributes.
void BM_BuildResult(benchmark::State& state)
{
    for (auto _ : state) {
        XmlDocument doc;
        doc.SetDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
        doc.AddElement("Kestrova", nullptr, false);
        doc.AddElement("Software", nullptr, true);
        doc.IntoElement();
        for (int i = 0; i < state.range(0); ++i) {
            doc.AddElement("Title", nullptr, true);
            doc.SetAttributeAt(doc.GetChildPos(), "id", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
            doc.SetAttributeAt(doc.GetChildPos(), "desc", "Some Application");
            doc.SetAttributeAt(doc.GetChildPos(), "mfg", "Some Vendor Ltd.");
            doc.SetAttributeAt(doc.GetChildPos(), "version", "1.2.3");
        }
        doc.OutOfElement();
        benchmark::DoNotOptimize(doc.GetDocument().size());
    }
}
BENCHMARK(BM_BuildResult)->Arg(2000);

} // namespace
