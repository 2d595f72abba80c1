// The narrow/wide conversions of the compiler's COM support classes
// (_bstr_t, _variant_t). The headers declare them; the toolchain has no
// library that defines them.
#include <comdef.h>

namespace _com_util {

BSTR WINAPI ConvertStringToBSTR(const char* text)
{
    if (text == nullptr) {
        return nullptr;
    }
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) {
        _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
    }
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (result == nullptr) {
        _com_issue_error(E_OUTOFMEMORY);
    }
    MultiByteToWideChar(CP_ACP, 0, text, -1, result, length);
    return result;
}

char* WINAPI ConvertBSTRToString(BSTR text)
{
    if (text == nullptr) {
        return nullptr;
    }
    int length =
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(SysStringLen(text)) + 1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
    }
    char* result = new char[static_cast<size_t>(length)];
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(SysStringLen(text)) + 1, result, length, nullptr, nullptr);
    return result;
}

} // namespace _com_util
