// The exception types of the application's own code.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

class _com_error;

// A failure with an HRESULT and, optionally, a text. Without a text, what()
// gives the system's message for the code.
class t_exception : public std::exception {
public:
    t_exception(HRESULT code, const char* text);
    t_exception(const char* text, HRESULT code);
    t_exception(HRESULT code, const std::string& text);
    explicit t_exception(const _com_error& error);
    t_exception(const t_exception& other) = default;
    t_exception& operator=(const t_exception& other) = default;
    ~t_exception() override;

    const char* what() const noexcept override;
    HRESULT Code() const { return m_code; }

private:
    HRESULT m_code;
    mutable std::string m_message; // empty: no message (yet)
};

// A t_exception whose text is a string-table entry; its code carries the
// identifier in the low bits of 0x80040000.
class ondelmark_com_error : public t_exception {
public:
    explicit ondelmark_com_error(unsigned int stringId);
};

// The operator stopped an audit.
class audit_canceled : public std::exception {
public:
    audit_canceled() = default;
    const char* what() const noexcept override;
};

// Inside a catch block: the text of the exception being handled, whatever
// its type.
std::string DescribeCurrentException();

// Throws a t_exception without text for a Win32 error code.
[[noreturn]] void ThrowSystemError(DWORD errorCode);
