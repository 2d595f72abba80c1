#include "common/TextHelpers.h"

#include <comdef.h>

#include <cctype>
#include <vector>

BSTR ToBstr(const std::string& text)
{
    return SysAllocString(ToWideString(text).c_str());
}

std::wstring ToWideString(const std::string& text)
{
    if (text.empty()) {
        return std::wstring();
    }
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string ToNarrowString(const wchar_t* text)
{
    if (text == nullptr || *text == L'\0') {
        return std::string();
    }
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) {
        return std::string();
    }
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length - 1));
    return narrow;
}

std::string BstrToStdString(BSTR text)
{
    return ToNarrowString(text);
}

namespace {

bool IsXmlCharacter(wchar_t c)
{
    return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == L'\t' || c == L'\n' || c == L'\r';
}

} // namespace

std::string AnsiToUtf8(const std::string& text)
{
    // Plain ASCII is the same in both, and most texts are.
    bool plain = true;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        plain = plain && u < 0x80 && IsXmlCharacter(static_cast<wchar_t>(u));
    }
    if (plain) {
        return text;
    }
    std::wstring wide = ToWideString(text);
    size_t kept = 0;
    for (size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        const bool high = c >= 0xD800 && c < 0xDC00;
        const bool low = c >= 0xDC00 && c < 0xE000;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) {
            wide[kept++] = c;
            wide[kept++] = wide[++i];
        } else if (!high && !low && IsXmlCharacter(c)) {
            wide[kept++] = c;
        }
    }
    wide.resize(kept);
    if (wide.empty()) {
        return std::string();
    }
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

std::string SystemMessageText(unsigned long code)
{
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

std::string SystemErrorText(unsigned long code)
{
    const std::string message = SystemMessageText(code);
    return message.empty() ? "System error " + std::to_string(code) + "." : message;
}

std::string& ToUpperCase(std::string& text)
{
    for (char& c : text) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ToUpperCase(const std::string& text)
{
    std::string copy(text);
    return ToUpperCase(copy);
}

std::string& TrimLeft(std::string& text)
{
    text.erase(0, text.find_first_not_of(" \t"));
    return text;
}

std::string& TrimRight(std::string& text)
{
    std::string::size_type last = text.find_last_not_of(" \t");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

bool IsAllDigits(const std::string& text)
{
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string NewGuidString()
{
    GUID guid;
    HRESULT hr = CoCreateGuid(&guid);
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return ToNarrowString(text);
}

std::string LoadResourceString(unsigned int id, HINSTANCE module)
{
    if (module == nullptr) {
        // The application's resources are linked into the executable.
        module = GetModuleHandleA(nullptr);
        if (module == nullptr) {
            return std::string();
        }
    }
    std::vector<char> buffer(1024, '\0');
    LoadStringA(module, id, buffer.data(), 1024);
    return std::string(buffer.data());
}
