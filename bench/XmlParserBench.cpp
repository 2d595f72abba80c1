// Parse speed of the library's XML parser beside expat, and its tree beside
// pugixml, on the same bytes in the same run. Two documents of several
// megabytes: a large audit result (elements with a few attributes and short
// texts) and one heavy in attributes and entity references. Every parser's
// callbacks touch every element, attribute and text. The program prints the
// throughput ratios and the tree memory as a multiple of the document size.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <pugixml.hpp>
#include <string>

#include "netcomp/core/web/XmlParser.h"

namespace {

std::string MakeAuditResult()
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Kestrova>\r\n<Version>1.2</Version>\r\n"
                       "<Description name=\"PC1\" username=\"admin\" mfg=\"Maker\" model=\"M1\"/>\r\n<Hotfixes>\r\n";
    for (int i = 0; i < 20000; ++i)
        text += "<Hotfix>KB" + std::to_string(100000 + i) + "</Hotfix>\r\n";
    text += "</Hotfixes>\r\n<Software>\r\n";
    for (int i = 0; text.size() < 6 * 1024 * 1024; ++i) {
        text += "<Title id=\"{6F9619FF-8B86-D011-B42D-00C04FC9" + std::to_string(1000 + i) +
                "}\" desc=\"Some Application x64 " + std::to_string(i) + "\" mfg=\"Some Vendor Ltd.\" version=\"1.2." +
                std::to_string(i) + "\">\r\n  <Path>C:\\Program Files\\App" + std::to_string(i) +
                "</Path>\r\n</Title>\r\n";
    }
    text += "</Software>\r\n</Kestrova>\r\n";
    return text;
}

std::string MakeAttributeHeavy()
{
    std::string text = "<?xml version=\"1.0\"?>\n<table xmlns=\"urn:t\" xmlns:x=\"urn:x\">\n";
    for (int i = 0; text.size() < 6 * 1024 * 1024; ++i) {
        const std::string n = std::to_string(i);
        text += "<row id=\"" + n + "\" x:a=\"Tom &amp; Jerry\" b=\"&lt;tag&gt; " + n +
                "\" c=\"&#65;&#66;&#67;\" d=\"a 'quoted' &quot;value&quot;\" e=\"" + n +
                "\" f=\"plain value\" g=\"&apos;\" h=\"x\">Text &amp; more &lt;" + n + "&gt; text</row>\n";
    }
    text += "</table>\n";
    return text;
}

const std::string& Doc(int which)
{
    static const std::string audit = MakeAuditResult();
    static const std::string heavy = MakeAttributeHeavy();
    return which == 0 ? audit : heavy;
}

const char* DocName(int which)
{
    return which == 0 ? "audit" : "attributes";
}

// Touching: sum the lengths of every name, attribute and text seen.
struct ExpatCounts {
    size_t bytes = 0;
    size_t elements = 0;
};

void XMLCALL ExpatStart(void* data, const XML_Char* name, const XML_Char** attrs)
{
    auto* c = static_cast<ExpatCounts*>(data);
    ++c->elements;
    c->bytes += std::strlen(name);
    for (const XML_Char** a = attrs; *a; a += 2)
        c->bytes += std::strlen(a[0]) + std::strlen(a[1]);
}

void XMLCALL ExpatEnd(void* data, const XML_Char* name)
{
    static_cast<ExpatCounts*>(data)->bytes += std::strlen(name);
}

void XMLCALL ExpatText(void* data, const XML_Char*, int length)
{
    static_cast<ExpatCounts*>(data)->bytes += size_t(length);
}

class Counting : public XmlParserCallback {
public:
    explicit Counting(const XmlParser& parser) : m_parser(parser) {}
    size_t bytes = 0;
    size_t elements = 0;
    int OnCharacters(char*, int length) override
    {
        bytes += size_t(length);
        return 0;
    }
    int OnComment(const char*) override { return 0; }
    int OnEndElement(const char*, const char*, const char* qname, bool) override
    {
        bytes += std::strlen(qname);
        return 0;
    }
    int OnEndPrefixMapping(const char*) override { return 0; }
    int OnError(int, const char*) override { return 0; }
    int OnEntity(const char*, const char*& replacement) override
    {
        bytes += std::strlen(replacement);
        return 0;
    }
    int OnIgnorableWhitespace(const char*) override { return 0; }
    int OnDeclaration(const char*) override { return 0; }
    int OnProcessingInstruction(const char*) override { return 0; }
    int OnSpecialSection(const char*, const char*) override { return 0; }
    int OnStartElement(const char*, const char*, const char* qname, bool) override
    {
        ++elements;
        bytes += std::strlen(qname);
        for (int i = 0; i < m_parser.AttrCount(); ++i)
            bytes += std::strlen(m_parser.AttrName(i)) + std::strlen(m_parser.AttrValue(i));
        return 0;
    }
    int OnStartPrefixMapping(const char*, const char*) override { return 0; }
    int OnInputChar(char) override
    {
        ++inputChars;
        return 0;
    }
    // A reader with work for every byte (the third mode) says so.
    bool WantsInputChars() const override { return wantsBytes; }
    bool wantsBytes = false;
    size_t inputChars = 0;

private:
    const XmlParser& m_parser;
};

void BM_ExpatParse(benchmark::State& state)
{
    const std::string& doc = Doc(int(state.range(0)));
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
        ExpatCounts counts;
        XML_SetUserData(parser, &counts);
        XML_SetElementHandler(parser, ExpatStart, ExpatEnd);
        XML_SetCharacterDataHandler(parser, ExpatText);
        if (XML_Parse(parser, doc.data(), int(doc.size()), 1) != XML_STATUS_OK)
            state.SkipWithError("expat failed");
        benchmark::DoNotOptimize(counts.bytes);
        XML_ParserFree(parser);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * doc.size()));
    state.SetLabel(DocName(int(state.range(0))));
}

// Arguments: the document, and the per-byte hook: 1 on (the parser's
// default) with a reader that has nothing to do per byte, 0 off, 2 on with a
// reader that counts every byte (expat has no such hook).
void BM_XmlParserParse(benchmark::State& state)
{
    const std::string& doc = Doc(int(state.range(0)));
    XmlParser parser;
    parser.SetInputCharHook(state.range(1) != 0);
    for (auto _ : state) {
        Counting counts(parser);
        counts.wantsBytes = state.range(1) == 2;
        parser.SetCallback(&counts);
        parser.Reset();
        if (parser.InputBytes(doc.data(), doc.size()) != 0 || parser.EndOfInput() != 0)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(counts.bytes);
        parser.SetCallback(nullptr);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * doc.size()));
    state.SetLabel(DocName(int(state.range(0))));
}

// pugixml's allocations, to compare tree memory.
size_t g_pugiBytes = 0;

void* CountingAllocate(size_t size)
{
    g_pugiBytes += size;
    return std::malloc(size);
}

void BM_PugixmlTree(benchmark::State& state)
{
    const std::string& doc = Doc(int(state.range(0)));
    pugi::set_memory_management_functions(CountingAllocate, std::free);
    size_t memory = 0;
    for (auto _ : state) {
        g_pugiBytes = 0;
        pugi::xml_document tree;
        if (!tree.load_buffer(doc.data(), doc.size()))
            state.SkipWithError("pugixml failed");
        memory = g_pugiBytes;
        benchmark::DoNotOptimize(tree.first_child());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * doc.size()));
    state.counters["memory_x"] = double(memory) / double(doc.size());
    state.SetLabel(DocName(int(state.range(0))));
}

void BM_XmlParserTree(benchmark::State& state)
{
    const std::string& doc = Doc(int(state.range(0)));
    XmlParser parser;
    parser.SetBuildDom(true);
    size_t memory = 0;
    for (auto _ : state) {
        parser.Release(); // every round builds its tree from nothing
        if (parser.InputBytes(doc.data(), doc.size()) != 0 || parser.EndOfInput() != 0)
            state.SkipWithError("parse failed");
        memory = parser.Dom().Capacity();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * doc.size()));
    state.counters["memory_x"] = double(memory) / double(doc.size());
    state.SetLabel(DocName(int(state.range(0))));
}

// Path lookup in a built tree: the last software title by number and a
// named element deep in the document.
void BM_XmlParserLookup(benchmark::State& state)
{
    const std::string& doc = Doc(0);
    XmlParser parser;
    parser.SetBuildDom(true);
    if (parser.InputBytes(doc.data(), doc.size()) != 0 || parser.EndOfInput() != 0 ||
        parser.SetXPath("/Kestrova/Software") != 0)
        state.SkipWithError("parse failed");
    const std::string last = "/Kestrova/Software/[" + std::to_string(parser.Dom().ChildCount()) + "]/Path";
    for (auto _ : state) {
        if (parser.SetXPath(last.c_str()) != 0 || parser.SetXPath("/Kestrova/Description") != 0)
            state.SkipWithError("path failed");
        benchmark::DoNotOptimize(parser.Dom().ElementText());
    }
}

void BM_PugixmlLookup(benchmark::State& state)
{
    const std::string& doc = Doc(0);
    pugi::xml_document tree;
    tree.load_buffer(doc.data(), doc.size());
    const size_t count = size_t(std::distance(tree.child("Kestrova").child("Software").begin(),
                                              tree.child("Kestrova").child("Software").end()));
    for (auto _ : state) {
        pugi::xml_node software = tree.child("Kestrova").child("Software");
        pugi::xml_node title = software.first_child();
        for (size_t i = 1; i < count; ++i)
            title = title.next_sibling();
        benchmark::DoNotOptimize(title.child("Path").child_value());
        benchmark::DoNotOptimize(tree.first_element_by_path("Kestrova/Description"));
    }
}

BENCHMARK(BM_ExpatParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlParserParse)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlParserTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XmlParserLookup)->Unit(benchmark::kMicrosecond);

// Collects each run's time per iteration to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions, the median stands for the run.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            times[run.run_name.str()] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* peer, const char* ours) {
        auto p = reporter.times.find(peer);
        auto o = reporter.times.find(ours);
        if (p != reporter.times.end() && o != reporter.times.end() && o->second > 0)
            std::printf("%-28s %.2fx the speed of %s\n", ours, p->second / o->second, peer);
    };
    ratio("BM_ExpatParse/0", "BM_XmlParserParse/0/1");
    ratio("BM_ExpatParse/1", "BM_XmlParserParse/1/1");
    ratio("BM_ExpatParse/0", "BM_XmlParserParse/0/0");
    ratio("BM_ExpatParse/1", "BM_XmlParserParse/1/0");
    ratio("BM_ExpatParse/0", "BM_XmlParserParse/0/2");
    ratio("BM_ExpatParse/1", "BM_XmlParserParse/1/2");
    ratio("BM_PugixmlTree/0", "BM_XmlParserTree/0");
    ratio("BM_PugixmlTree/1", "BM_XmlParserTree/1");
    ratio("BM_PugixmlLookup", "BM_XmlParserLookup");
    benchmark::Shutdown();
    return 0;
}
