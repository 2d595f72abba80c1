// Both reports follow one road: a new temporary file from the system's
// unique naming, a file stream on it, the template from the program's HTML
// resources parsed against the report's replacer, then the render.

#include "app/ReportRendering.h"

#include "app/ExceptionReportTagReplacer.h"
#include "app/ResultsTagReplacer.h"
#include "common/FileWriteStream.h"
#include "common/HtmlTemplate.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

#include <windows.h>

#include <exception>

const char kRenderFailedText[] = "An error occurred while trying to render the audit results content.";

namespace {

// A new empty file in the user's temporary folder, named by the system from
// prefix (of which it keeps three characters).
bool CreateTempFile(const char* prefix, std::string& path)
{
    char folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(folder, prefix, 0, name) == 0) {
        return false;
    }
    path = name;
    return true;
}

// The template of the given HTML resource; false when the program has none.
bool LoadTemplate(int resourceId, std::string& text)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found =
        FindResourceExA(module, RT_HTML, MAKEINTRESOURCEA(resourceId), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) {
        return false;
    }
    text.assign(bytes, SizeofResource(module, found));
    return true;
}

template <class Replacer>
bool RenderTemplate(int resourceId, Replacer& replacer, TemplateOutputStream* stream)
{
    if (stream == nullptr) {
        replacer.SetLastError("Stream can't be null");
        return false;
    }
    std::string text;
    if (!LoadTemplate(resourceId, text)) {
        replacer.SetLastError("Can not load stencil resource\n");
        return false;
    }
    HtmlTemplate stencil;
    if (!stencil.Parse(text, replacer)) {
        replacer.SetLastError("Failed in parsing the replacements\n");
        return false;
    }
    if (!stencil.Render(replacer, *stream)) {
        replacer.SetLastError(stencil.Error());
        return false;
    }
    stream->Flush();
    return true;
}

} // namespace

bool RenderResultsPage(ResultsTagReplacer& replacer, TemplateOutputStream* stream)
{
    if (!replacer.Start()) {
        return false;
    }
    return RenderTemplate(IDR_HTML_RESULTS, replacer, stream);
}

bool RenderResultsToTempFile(AuditDocument& document, std::string& path)
{
    if (!CreateTempFile("Kes", path)) {
        return false;
    }
    FileWriteStream stream(path);
    if (!stream.Open()) {
        return false;
    }
    ResultsTagReplacer replacer(document);
    try {
        return RenderResultsPage(replacer, &stream);
    } catch (const std::exception& failure) {
        ShowMessageBox(nullptr, failure.what(), "Kestrova", MB_OK | MB_ICONSTOP);
        return false;
    }
}

bool RenderExceptionReport(ExceptionReportTagReplacer& replacer, TemplateOutputStream* stream)
{
    return RenderTemplate(IDR_HTML_EXCEPTION_REPORT, replacer, stream);
}

bool RenderExceptionReportToTempFile(const std::vector<std::string>& unresponsive,
                                     const std::vector<std::string>& nonNt, std::string& path)
{
    if (!CreateTempFile("Excep", path)) {
        return false;
    }
    FileWriteStream stream(path);
    if (!stream.Open()) {
        return false;
    }
    ExceptionReportTagReplacer replacer(unresponsive, nonNt);
    return RenderExceptionReport(replacer, &stream);
}
