// The message map of a window, dialog, document or application object: a
// list of handlers registered in the owner's constructor, looked up when a
// message or command arrives. Handlers take unpacked parameters; the map does
// the unpacking, so application code never switches on raw messages.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// What a menu item (or any command source) should look like; the update
// handler of a command fills it in before the menu opens.
struct CmdUI {
    UINT m_id = 0;
    bool m_enabled = true;
    bool m_checked = false;
    bool m_handled = false; // some update or command handler knows the id

    void Enable(bool enabled) { m_enabled = enabled; }
    void SetCheck(bool checked) { m_checked = checked; }
};

class MessageMap {
public:
    using MessageHandler = std::function<LRESULT(WPARAM, LPARAM)>;
    using CommandHandler = std::function<void()>;
    using UpdateHandler = std::function<void(CmdUI&)>;

    void OnMessage(UINT message, MessageHandler handler);
    void OnCommand(UINT id, CommandHandler handler);
    // A notification code from one control (BN_CLICKED, EN_CHANGE ...).
    void OnNotify(UINT id, UINT code, CommandHandler handler);
    void OnUpdate(UINT id, UpdateHandler handler);

    // Member-function forms: map.Command(ID, this, &Class::OnSomething).
    template <class T>
    void Command(UINT id, T* owner, void (T::*method)())
    {
        OnCommand(id, [owner, method] { (owner->*method)(); });
    }
    template <class T>
    void Update(UINT id, T* owner, void (T::*method)(CmdUI&))
    {
        OnUpdate(id, [owner, method](CmdUI& ui) { (owner->*method)(ui); });
    }
    template <class T>
    void Message(UINT message, T* owner, LRESULT (T::*method)(WPARAM, LPARAM))
    {
        OnMessage(message, [owner, method](WPARAM w, LPARAM l) { return (owner->*method)(w, l); });
    }

    // True when a handler took the message; its answer goes to result.
    bool DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const;
    // WM_COMMAND: a notification handler for (id, code), or for a menu,
    // accelerator or BN_CLICKED the command handler of id.
    bool DispatchCommand(UINT id, UINT code) const;
    // Fills ui from the update handler of its id; a command handler without
    // an update handler leaves the item enabled.
    bool DispatchUpdate(CmdUI& ui) const;

private:
    struct Entry {
        enum Kind { Message, Command, Notify, Update } m_kind;
        UINT m_message;
        UINT m_id;
        UINT m_code;
        MessageHandler m_onMessage;
        CommandHandler m_onCommand;
        UpdateHandler m_onUpdate;
    };
    std::vector<Entry> m_entries;
};
