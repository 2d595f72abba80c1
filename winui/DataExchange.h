// Moves values between a dialog's controls and its members, checking
// lengths and ranges on the way in. One exchange function per dialog calls
// these in control order; the first failed check shows the framework's
// message, puts the focus on the control and stops the rest of the exchange.
// Required fields are different: an empty one is only listed, so a page can
// name every missing field in one message.
#pragma once

#include <windows.h>

#include <string>

class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}

    bool IsSaving() const { return m_saving; }
    bool Failed() const { return m_failed; }

    // Text of an edit, static or combo box; maxChars 0 means no limit, else
    // longer input is refused and the edit control is limited to it.
    void Text(int id, std::string& value, size_t maxChars = 0);
    // A decimal integer, refused outside [minimum, maximum].
    void Int(int id, int& value, int minimum, int maximum);
    void Check(int id, bool& value);
    // A group of radio buttons with consecutive ids: value is the position of
    // the checked one (0 for firstId); left alone when none is checked.
    void Radio(int firstId, int lastId, int& value);
    // Lists label when the saved value is empty (after Text read it).
    void Required(const std::string& value, const std::string& label);

    // The labels of empty required fields, one per line, each with "\r\n".
    const std::string& MissingFields() const { return m_missing; }
    // heading + the list, and the list emptied; "" when nothing is missing.
    std::string TakeMissingMessage(const std::string& heading);

private:
    void Fail(int id, const std::string& message);

    HWND m_dialog;
    bool m_saving;
    bool m_failed = false;
    std::string m_missing;
};
