// Rendering the results page and the audit exception report from their HTML
// templates into temporary files that the results dialog shows.
#pragma once

#include "common/TemplateOutputStream.h"

#include <string>
#include <vector>

class AuditDocument;
class ExceptionReportTagReplacer;
class ResultsTagReplacer;

// The current audit's results page into a new temporary file ("Kes" prefix),
// whose full name goes to path. False when the file could not be made or the
// render failed; a failed render's file is left for the caller to delete. A
// failure of the result's model is shown to the operator here.
bool RenderResultsToTempFile(AuditDocument& document, std::string& path);
bool RenderResultsPage(ResultsTagReplacer& replacer, TemplateOutputStream* stream);

// The two lists of a network audit's exception report into a new temporary
// file ("Excep" prefix), as above.
bool RenderExceptionReportToTempFile(const std::vector<std::string>& unresponsive,
                                     const std::vector<std::string>& nonNt, std::string& path);
bool RenderExceptionReport(ExceptionReportTagReplacer& replacer, TemplateOutputStream* stream);

// "An error occurred while trying to render the audit results content."
extern const char kRenderFailedText[];
