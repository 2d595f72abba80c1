#include "winui/DataExchange.h"

#include "common/MessageBoxHook.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

std::string ReadControlText(HWND control)
{
    int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data());
}

} // namespace

void DataExchange::Fail(int id, const std::string& message)
{
    m_failed = true;
    HWND control = GetDlgItem(m_dialog, id);
    ShowMessageBox(m_dialog, message, "Kestrova", MB_OK | MB_ICONEXCLAMATION);
    if (control != nullptr) {
        SetFocus(control);
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

void DataExchange::Text(int id, std::string& value, size_t maxChars)
{
    if (m_failed) {
        return;
    }
    HWND control = GetDlgItem(m_dialog, id);
    if (control == nullptr) {
        return;
    }
    if (!m_saving) {
        if (maxChars > 0) {
            SendMessageA(control, EM_LIMITTEXT, maxChars, 0);
        }
        SetWindowTextA(control, value.c_str());
        return;
    }
    std::string text = ReadControlText(control);
    if (maxChars > 0 && text.size() > maxChars) {
        Fail(id, "Please enter no more than " + std::to_string(maxChars) + " characters.");
        return;
    }
    value = text;
}

void DataExchange::Int(int id, int& value, int minimum, int maximum)
{
    if (m_failed) {
        return;
    }
    HWND control = GetDlgItem(m_dialog, id);
    if (control == nullptr) {
        return;
    }
    if (!m_saving) {
        SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    std::string text = ReadControlText(control);
    size_t start = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    text = start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
    char* stop = nullptr;
    errno = 0;
    long long number = text.empty() ? 0 : strtoll(text.c_str(), &stop, 10);
    bool isNumber = !text.empty() && *stop == '\0' && errno != ERANGE;
    if (!isNumber || number < minimum || number > maximum) {
        Fail(id,
             "Please enter an integer between " + std::to_string(minimum) + " and " + std::to_string(maximum) + ".");
        return;
    }
    value = static_cast<int>(number);
}

void DataExchange::Check(int id, bool& value)
{
    if (m_failed) {
        return;
    }
    if (m_saving) {
        value = IsDlgButtonChecked(m_dialog, id) == BST_CHECKED;
    } else {
        CheckDlgButton(m_dialog, id, value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void DataExchange::Radio(int firstId, int lastId, int& value)
{
    if (m_failed) {
        return;
    }
    if (!m_saving) {
        const int id = firstId + value;
        CheckRadioButton(m_dialog, firstId, lastId, value >= 0 && id <= lastId ? id : 0);
        return;
    }
    for (int id = firstId; id <= lastId; ++id) {
        if (IsDlgButtonChecked(m_dialog, id) == BST_CHECKED) {
            value = id - firstId;
            return;
        }
    }
}

void DataExchange::Required(const std::string& value, const std::string& label)
{
    if (m_saving && !m_failed && value.empty()) {
        m_missing += label + "\r\n";
    }
}

std::string DataExchange::TakeMissingMessage(const std::string& heading)
{
    if (m_missing.empty()) {
        return std::string();
    }
    std::string message = heading + m_missing;
    m_missing.clear();
    return message;
}
