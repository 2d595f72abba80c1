// Audits this computer and writes its results page, and an exception report
// of made-up computer names, to the two files named on the command line, so
// a person can look at both in a browser (tools/report-screenshots.sh). With
// --show it then opens the results dialog on the page, as View does.

#include "app/ReportRendering.h"
#include "app/ResultsHtmlDlg.h"
#include "audit/APIAudit.h"
#include "audit/AuditDocument.h"
#include "common/AppState.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool MoveInto(const std::string& from, const char* to)
{
    return MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool show = argc == 4 && std::string(argv[3]) == "--show";
    if (argc != 3 && !show) {
        std::fprintf(stderr, "usage: render_reports <results page> <exception report> [--show]\n");
        return 2;
    }
    CoInitialize(nullptr);
    AppState app;
    AuditDocument document(app);
    boost::shared_ptr<APIAudit> engine(new APIAudit);
    document.m_engine = engine;
    engine->SetUserFirstName("John");
    engine->SetUserMiddleInitial("Q");
    engine->SetUserLastName("Smith");
    engine->Run(".");

    std::string path;
    if (!RenderResultsToTempFile(document, path) || !MoveInto(path, argv[1])) {
        std::fprintf(stderr, "the results page could not be written\n");
        return 1;
    }
    std::vector<std::string> unresponsive{"ACCT-PC7", "LAB-12", "RECEPTION"};
    std::vector<std::string> nonNt{"OLD-WIN98"};
    if (!RenderExceptionReportToTempFile(unresponsive, nonNt, path) || !MoveInto(path, argv[2])) {
        std::fprintf(stderr, "the exception report could not be written\n");
        return 1;
    }
    if (show) {
        ShowResultsPage(document);
    }
    CoUninitialize();
    return 0;
}
