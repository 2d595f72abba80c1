// expat on the file XMLp's benchmark reads: the same 2048-byte blocks, with a
// start-tag handler that counts and with no handlers. Native; run by
// tools/xmlp-bench.sh.
//   expat_file_bench <file> <runs>
#include <expat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

long StartTags;

void XMLCALL CountStart(void*, const XML_Char*, const XML_Char**)
{
    ++StartTags;
}

double ParseOnce(const char* path, bool handlers, int* ok)
{
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        *ok = 0;
        return 0;
    }
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    if (handlers)
        XML_SetStartElementHandler(parser, CountStart);
    char block[2048];
    *ok = 1;
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, f);
        if (XML_Parse(parser, block, int(n), n == 0) == XML_STATUS_ERROR) {
            *ok = 0;
            break;
        }
        if (n == 0)
            break;
    }
    XML_ParserFree(parser);
    std::fclose(f);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: expat_file_bench <file> <runs>\n");
        return 2;
    }
    for (bool handlers : {true, false}) {
        double best = 1e9;
        int ok = 0;
        for (int i = 0; i < std::atoi(argv[2]); ++i) {
            StartTags = 0;
            const double s = ParseOnce(argv[1], handlers, &ok);
            best = s < best ? s : best;
        }
        std::printf("%s %.3f %ld ok=%d\n", handlers ? "expat-events" : "expat-silent", best, StartTags, ok);
    }
    return 0;
}
