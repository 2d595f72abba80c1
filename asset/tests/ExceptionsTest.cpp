#include "asset/Exceptions.h"

#include <gtest/gtest.h>

#include <comdef.h>

namespace {

std::string SystemText(HRESULT code)
{
    char* text = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code),
                       LANG_USER_DEFAULT, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length ? std::string(text, length) : std::string();
    if (text) {
        LocalFree(text);
    }
    return result;
}

TEST(Exceptions, TextFromTheSystemOrTheFallbacks)
{
    t_exception fail(E_FAIL, static_cast<const char*>(nullptr));
    std::string system = SystemText(E_FAIL);
    ASSERT_FALSE(system.empty());
    std::string expected = system;
    while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\r')) {
        expected.pop_back();
    }
    EXPECT_EQ(expected, fail.what());
    EXPECT_EQ(E_FAIL, fail.Code());

    // A code the system has no text for, with and without low bits.
    ondelmark_com_error missing(1003);
    EXPECT_EQ(static_cast<HRESULT>(0x800403EB), missing.Code());
    if (SystemText(missing.Code()).empty()) {
        EXPECT_STREQ("IDispatch error #1003", missing.what());
    }
    t_exception bare(static_cast<HRESULT>(0x80000000), static_cast<const char*>(nullptr));
    if (SystemText(bare.Code()).empty()) {
        EXPECT_STREQ("Unknown error 0x80000000", bare.what());
    }

    // A copy made after what() carries the text it found.
    t_exception copy(fail);
    EXPECT_STREQ(fail.what(), copy.what());

    EXPECT_STREQ("Audit canceled by user", audit_canceled().what());
    EXPECT_STREQ("Invalid Asset Property Data Type", t_exception("Invalid Asset Property Data Type", E_FAIL).what());
}

TEST(Exceptions, StringTableTextAndSystemErrors)
{
    ondelmark_com_error known(144);
    EXPECT_STREQ("1.2", known.what());
    EXPECT_EQ(static_cast<HRESULT>(0x80040090), known.Code());

    try {
        ThrowSystemError(ERROR_FILE_NOT_FOUND);
        FAIL();
    } catch (const t_exception& e) {
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.Code());
        EXPECT_NE(std::string(), e.what());
    }
}

TEST(Exceptions, ComErrorWithAndWithoutErrorInfo)
{
    t_exception plain{_com_error(E_INVALIDARG)};
    EXPECT_EQ(E_INVALIDARG, plain.Code());

    ICreateErrorInfo* create = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreateErrorInfo(&create));
    create->SetDescription(const_cast<LPOLESTR>(L"Described failure"));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    create->Release();
    t_exception described{_com_error(E_FAIL, info)}; // takes over the reference
    EXPECT_STREQ("Described failure", described.what());
}

} // namespace
