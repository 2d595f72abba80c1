// What a template is rendered against: a table of named handlers. A value
// handler writes its text and answers true; a condition handler answers
// whether its block is taken.
#pragma once

#include "common/TemplateOutputStream.h"

#include <string>

class TagReplacer {
public:
    virtual ~TagReplacer() = default;
    // The handler of a tag name (names compare exactly), or -1.
    virtual int FindHandler(const std::string& name) const = 0;
    // Runs one handler found by FindHandler, writing to out.
    virtual bool CallHandler(int handler, TemplateOutputStream& out) = 0;

protected:
    // Writes a value as page text: "<" and ">" as "&lt;" and "&gt;", so no
    // value can open an element, and '"' as "&quot;", so none can leave an
    // attribute. The '&' stays as it is: values that went through the audit's
    // sanitising already carry "&lt;" for a "<" read from the machine, and
    // those must show as "<", not as "&lt;". False when the stream refused a
    // write.
    static bool WriteHtmlText(TemplateOutputStream& out, const std::string& text);
};
