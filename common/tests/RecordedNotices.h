// What the program told the user, recorded instead of shown: message boxes
// (from any thread) and log entries.
#pragma once

#include "common/AuditSinks.h"
#include "common/MessageBoxHook.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Installs itself as the message-box hook for its lifetime.
class RecordedBoxes {
public:
    RecordedBoxes()
    {
        m_previous = SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT type) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_texts.push_back(text);
            m_types.push_back(type);
            return IDOK;
        });
    }
    ~RecordedBoxes() { SetMessageBoxHook(m_previous); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    std::vector<std::string> Texts()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }
    std::vector<UINT> Types()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_types;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.clear();
        m_types.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::vector<UINT> m_types;
    MessageBoxHook m_previous;
};

// A message box as it was shown, with where it came from.
struct ShownBox {
    std::string text;
    std::string caption;
    UINT type;
    HWND owner;
    DWORD thread;
};

// Message boxes that stay open until the operator answers them: each is
// recorded, and its thread then waits (a minute at most) for Answer(); Hold()
// keeps the boxes after it open again. The hook holds the recorder shared, so
// a thread still in its box may outlive the test's frame. Restore() puts the
// previous hook back.
class OpenBoxes {
public:
    static std::shared_ptr<OpenBoxes> Hook(bool answered)
    {
        std::shared_ptr<OpenBoxes> boxes(new OpenBoxes(answered));
        boxes->m_previous =
            SetMessageBoxHook([boxes](HWND owner, const std::string& text, const std::string& caption, UINT type) {
                {
                    std::lock_guard<std::mutex> lock(boxes->m_mutex);
                    boxes->m_shown.push_back({text, caption, type, owner, GetCurrentThreadId()});
                }
                WaitForSingleObject(boxes->m_answer, 60000);
                ++boxes->m_answered;
                return IDOK;
            });
        return boxes;
    }
    ~OpenBoxes() { CloseHandle(m_answer); }
    OpenBoxes(const OpenBoxes&) = delete;
    OpenBoxes& operator=(const OpenBoxes&) = delete;

    void Restore() { SetMessageBoxHook(m_previous); }
    void Answer() { SetEvent(m_answer); }
    void Hold() { ResetEvent(m_answer); }
    int Answered() const { return m_answered; }
    std::vector<ShownBox> Shown()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shown;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shown.size();
    }

private:
    explicit OpenBoxes(bool answered) : m_answer(CreateEventA(nullptr, TRUE, answered, nullptr)) {}

    std::mutex m_mutex;
    std::vector<ShownBox> m_shown;
    std::atomic<int> m_answered{0};
    HANDLE m_answer;
    MessageBoxHook m_previous;
};

// Records every entry; level and text in order.
class RecordingLog : public AuditLogSink {
public:
    void Write(const int& level, const std::string& text) override { m_entries.emplace_back(level, text); }

    std::vector<std::string> TextsAt(int level) const
    {
        std::vector<std::string> texts;
        for (const auto& entry : m_entries) {
            if (entry.first == level) {
                texts.push_back(entry.second);
            }
        }
        return texts;
    }

    std::vector<std::pair<int, std::string>> m_entries;
};
