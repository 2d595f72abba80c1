// The tags of the audit exception report: the computers a network audit
// could not audit, one table row each.
#pragma once

#include "common/TagReplacer.h"

#include <string>
#include <vector>

class ExceptionReportTagReplacer : public TagReplacer {
public:
    ExceptionReportTagReplacer(const std::vector<std::string>& unresponsive, const std::vector<std::string>& nonNt)
        : m_unresponsive(unresponsive), m_nonNt(nonNt)
    {
    }

    int FindHandler(const std::string& name) const override;
    bool CallHandler(int handler, TemplateOutputStream& out) override;

    const std::string& LastError() const { return m_lastError; }
    void SetLastError(const std::string& text) { m_lastError = text; }

private:
    static void WriteRows(const std::vector<std::string>& names, TemplateOutputStream& out);

    const std::vector<std::string>& m_unresponsive;
    const std::vector<std::string>& m_nonNt;
    std::string m_lastError;
};
