#include "asset/Exceptions.h"

#include "common/TextHelpers.h"

#include <comdef.h>

#include <cstdio>
#include <new>

t_exception::t_exception(HRESULT code, const char* text) : m_code(code)
{
    if (text != nullptr) {
        try {
            m_message = text;
        } catch (const std::bad_alloc&) {
            m_message.clear();
        }
    }
}

t_exception::t_exception(const char* text, HRESULT code) : t_exception(code, text) {}

t_exception::t_exception(HRESULT code, const std::string& text) : t_exception(code, text.c_str()) {}

t_exception::t_exception(const _com_error& error) : m_code(error.Error())
{
    IErrorInfo* info = error.ErrorInfo();
    if (info != nullptr) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description))) {
            m_message = BstrToStdString(description);
            SysFreeString(description);
        }
        info->Release();
    }
}

t_exception::~t_exception() = default;

const char* t_exception::what() const noexcept
{
    if (!m_message.empty()) {
        return m_message.c_str();
    }
    try {
        char* text = nullptr;
        DWORD length =
            FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                           static_cast<DWORD>(m_code), LANG_USER_DEFAULT, reinterpret_cast<char*>(&text), 0, nullptr);
        if (length > 0 && text != nullptr) {
            std::string message(text, length);
            LocalFree(text);
            // System texts end in CR LF; a lone trailing CR is left alone.
            if (message.size() > 1 && message.back() == '\n') {
                message.pop_back();
                if (!message.empty() && message.back() == '\r') {
                    message.pop_back();
                }
            }
            m_message = message;
        } else {
            if (text != nullptr) {
                LocalFree(text);
            }
            char buffer[32];
            if ((m_code & 0xFFFF) != 0) {
                snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(m_code & 0xFFFF));
            } else {
                snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", static_cast<unsigned long>(m_code));
            }
            m_message = buffer;
        }
        if (!m_message.empty()) {
            return m_message.c_str();
        }
    } catch (...) {
    }
    return "Unable to retrieve error description";
}

ondelmark_com_error::ondelmark_com_error(unsigned int stringId)
    : t_exception(static_cast<HRESULT>(0x80040000u | (stringId & 0xFFFFu)), LoadResourceString(stringId, nullptr))
{
}

const char* audit_canceled::what() const noexcept
{
    return "Audit canceled by user";
}

void ThrowSystemError(DWORD errorCode)
{
    throw t_exception(static_cast<HRESULT>(errorCode), static_cast<const char*>(nullptr));
}

std::string DescribeCurrentException()
{
    try {
        throw;
    } catch (const _com_error& error) {
        return t_exception(error).what();
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "An unexpected error ended the audit.";
    }
}
