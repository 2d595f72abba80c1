// Times XMLp parsing one document from a file (ParseFile, tree off), with
// its events going to a callback that counts start tags and with no callback
// at all. Run by tools/xmlp-bench.sh beside expat on the same file.
//   xmlp_file_bench <file> <runs>
// Prints "xmlp-events <seconds> <start tags> rc=<result>" and "xmlp-silent ...",
// the best of the runs.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_xmlp.h"

namespace {

long StartTags;

int WINAPI CountStarts(INT_PTR, int event, int, INT_PTR*, int*)
{
    if (event == kXmlpEventStartElement)
        ++StartTags;
    return 0;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

void Run(const char* label, ComponentEventCallback callback, const char* file, int runs)
{
    double best = 1e9;
    int rc = 0;
    for (int i = 0; i < runs; ++i) {
        void* xmlp = XMLp_Create(callback, 0, nullptr);
        XMLp_Set(xmlp, kXmlpBuildDOM, 0, 0, 0);
        StartTags = 0;
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(file)};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        rc = XMLp_Do(xmlp, kXmlpMethodParseFile, 1, args, nullptr);
        QueryPerformanceCounter(&end);
        XMLp_Destroy(xmlp);
        const double s = Seconds(start, end);
        best = s < best ? s : best;
    }
    std::printf("%s %.3f %ld rc=%d\n", label, best, StartTags, rc);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: xmlp_file_bench <file> <runs>\n");
        return 2;
    }
    XMLp_StaticInit(GetModuleHandleA(nullptr));
    Run("xmlp-events", CountStarts, argv[1], std::atoi(argv[2]));
    Run("xmlp-silent", nullptr, argv[1], std::atoi(argv[2]));
    return 0;
}
