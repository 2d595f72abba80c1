// What the program told the user, recorded instead of shown: message boxes
// (from any thread) and log entries.
#pragma once

#include "common/AuditSinks.h"
#include "common/MessageBoxHook.h"

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
