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
};
