#include "winui/MessageMap.h"

#include <utility>

void MessageMap::OnMessage(UINT message, MessageHandler handler)
{
    m_entries.push_back({Entry::Message, message, 0, 0, std::move(handler), nullptr, nullptr});
}

void MessageMap::OnCommand(UINT id, CommandHandler handler)
{
    m_entries.push_back({Entry::Command, 0, id, 0, nullptr, std::move(handler), nullptr});
}

void MessageMap::OnNotify(UINT id, UINT code, CommandHandler handler)
{
    m_entries.push_back({Entry::Notify, 0, id, code, nullptr, std::move(handler), nullptr});
}

void MessageMap::OnUpdate(UINT id, UpdateHandler handler)
{
    m_entries.push_back({Entry::Update, 0, id, 0, nullptr, nullptr, std::move(handler)});
}

bool MessageMap::DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const
{
    for (const Entry& entry : m_entries) {
        if (entry.m_kind == Entry::Message && entry.m_message == message) {
            result = entry.m_onMessage(wParam, lParam);
            return true;
        }
    }
    return false;
}

bool MessageMap::DispatchCommand(UINT id, UINT code) const
{
    for (const Entry& entry : m_entries) {
        if (entry.m_kind == Entry::Notify && entry.m_id == id && entry.m_code == code) {
            entry.m_onCommand();
            return true;
        }
    }
    // Menus send code 0, accelerators 1; a push button's click is BN_CLICKED (0).
    if (code > 1) {
        return false;
    }
    for (const Entry& entry : m_entries) {
        if (entry.m_kind == Entry::Command && entry.m_id == id) {
            entry.m_onCommand();
            return true;
        }
    }
    return false;
}

bool MessageMap::DispatchUpdate(CmdUI& ui) const
{
    for (const Entry& entry : m_entries) {
        if (entry.m_kind == Entry::Update && entry.m_id == ui.m_id) {
            entry.m_onUpdate(ui);
            ui.m_handled = true;
            return true;
        }
    }
    for (const Entry& entry : m_entries) {
        if (entry.m_kind == Entry::Command && entry.m_id == ui.m_id) {
            ui.m_enabled = true;
            ui.m_handled = true;
            return true;
        }
    }
    return false;
}
