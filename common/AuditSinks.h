// The two interfaces through which an audit engine talks to the outside: the
// log and the progress display.
#pragma once

#include <string>

class AuditLogSink {
public:
    // level 0: a step's label; 1: start and end of an audit; 3: an error.
    virtual void Write(const int& level, const std::string& text) = 0;

protected:
    ~AuditLogSink() = default;
};

class AuditProgressSink {
public:
    virtual void Step() = 0;
    virtual void SetRange(unsigned total) = 0;
    virtual bool IsCanceled() = 0;

protected:
    ~AuditProgressSink() = default;
};
