#pragma once
// An owner's event callback for the tests: records every event with copies of
// its text parameters (they live only during the call), can answer through a
// by-reference parameter, and can act inside an event as an owner does.
//
//   EventRecorder events;
//   events.TextsAt(kUdpPortEventDataIn, {0, 1});
//   void* port = UDPPort_Create(EventRecorder::Callback, events.User(), nullptr);
//   ... events.Of(kUdpPortEventDataIn)[0].texts[0] ...
#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct RecordedEvent {
    int event = 0;
    INT_PTR user = 0;
    std::vector<INT_PTR> values;
    std::vector<int> lengths;
    std::vector<std::string> texts; // "" where the parameter is no text
};

class EventRecorder {
public:
    // The parameters at these positions of the event are texts or bytes.
    void TextsAt(int event, std::set<int> positions) { m_textPositions[event] = std::move(positions); }
    // Writes value into the event's parameter array at position, as an owner answers.
    void AnswerWith(int event, int position, INT_PTR value) { m_answers[event] = {position, value}; }
    // What the callback returns for the event (0 unless set).
    void ReturnWith(int event, int result) { m_results[event] = result; }
    // Runs action inside the event, once it is recorded (closing the
    // component there, sending again); an empty action stops that.
    void OnEvent(int event, std::function<void(const RecordedEvent&)> action) { m_actions[event] = std::move(action); }

    INT_PTR User() { return reinterpret_cast<INT_PTR>(this); }
    static int WINAPI Callback(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<EventRecorder*>(user);
        RecordedEvent e;
        e.event = event;
        e.user = user;
        const std::set<int>& texts = self->m_textPositions[event];
        for (int i = 0; i < count; ++i) {
            e.values.push_back(params[i]);
            e.lengths.push_back(lengths[i]);
            const char* p = reinterpret_cast<const char*>(params[i]);
            e.texts.push_back(!texts.count(i) || !p ? std::string() : lengths[i] ? std::string(p, lengths[i]) : p);
        }
        self->events.push_back(e);
        const auto action = self->m_actions.find(event);
        if (action != self->m_actions.end() && action->second)
            action->second(e);
        const auto answer = self->m_answers.find(event);
        if (answer != self->m_answers.end() && answer->second.first < count)
            params[answer->second.first] = answer->second.second;
        const auto result = self->m_results.find(event);
        return result != self->m_results.end() ? result->second : 0;
    }

    std::vector<RecordedEvent> Of(int event) const
    {
        std::vector<RecordedEvent> out;
        for (const RecordedEvent& e : events)
            if (e.event == event)
                out.push_back(e);
        return out;
    }
    void Clear() { events.clear(); }

    std::vector<RecordedEvent> events;

private:
    std::map<int, std::set<int>> m_textPositions;
    std::map<int, std::pair<int, INT_PTR>> m_answers;
    std::map<int, int> m_results;
    std::map<int, std::function<void(const RecordedEvent&)>> m_actions;
};
