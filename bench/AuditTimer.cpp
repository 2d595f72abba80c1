// Times the audit of this computer alone, without the program's start and
// end: the audit driver as the hidden run calls it, repeated.
//   kes_audit_timer.exe [runs]
#include "audit/AuditDocument.h"
#include "common/AppState.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 10;
    (void)CoInitialize(nullptr);
    GetAppState().m_runMode = kRunHidden;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double total = 0;
    for (int i = 0; i < runs; ++i) {
        AuditDocument doc;
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        doc.RunAudit(".", nullptr);
        std::string xml = doc.WriteResultXml();
        QueryPerformanceCounter(&end);
        double ms =
            1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        total += ms;
        printf("audit %d: %.1f ms (%zu bytes of result XML%s)\n", i + 1, ms, xml.size(),
               doc.m_completed ? "" : ", not completed");
    }
    printf("audit mean: %.1f ms over %d runs\n", total / runs, runs);
    return 0;
}
