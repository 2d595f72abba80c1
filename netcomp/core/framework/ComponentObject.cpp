// Event firing for every component: the engine hands over its parameters by
// address; the owner's callback gets them as two arrays of values and
// lengths on the stack, and answers by writing into the value array.
#include "netcomp/core/framework/ComponentObject.h"

#include <cstdint>
#include <utility>

int ComponentObjectBase::FireEvent(int event, int count, const EventParam* params)
{
    if (!m_callback)
        return 0;
    if (count > kMaxParams)
        count = kMaxParams;
    // Three spare zero entries behind the parameters, for callers that read
    // one too far. Only the entries in use are written: clearing the whole
    // arrays cost more than the rest of an event that fires once per line.
    INT_PTR values[kMaxParams + 3];
    int lengths[kMaxParams + 3];
    for (int i = count; i < count + 3; ++i) {
        values[i] = 0;
        lengths[i] = 0;
    }
    // Plain tests rather than a jump table: events mix a few kinds, and an
    // indirect jump per parameter costs more than the compares.
    bool answerable = false;
    for (int i = 0; i < count; ++i) {
        const EventParam& p = params[i];
        answerable = answerable || p.answerable;
        lengths[i] = 0;
        if (p.kind == EventParam::Kind::Int) {
            values[i] = *static_cast<int*>(p.address);
        } else if (p.kind == EventParam::Kind::Binary) {
            values[i] = reinterpret_cast<INT_PTR>(*static_cast<char**>(p.address));
            lengths[i] = p.length;
        } else if (p.kind == EventParam::Kind::Text) {
            values[i] = reinterpret_cast<INT_PTR>(*static_cast<const char**>(p.address));
        } else if (p.kind == EventParam::Kind::IntPtr) {
            values[i] = INT_PTR(*static_cast<std::intptr_t*>(p.address));
        } else {
            values[i] = *static_cast<bool*>(p.address) ? 1 : 0;
        }
    }
    const int answer = m_callback(m_user, event, count, values, lengths);
    for (int i = 0; answerable && i < count; ++i) {
        const EventParam& p = params[i];
        if (!p.answerable)
            continue;
        if (p.kind == EventParam::Kind::Int)
            *static_cast<int*>(p.address) = int(values[i]);
        else if (p.kind == EventParam::Kind::Bool)
            *static_cast<bool*>(p.address) = values[i] != 0;
        else if (p.kind == EventParam::Kind::Text)
            *static_cast<const char**>(p.address) = values[i] ? reinterpret_cast<const char*>(values[i]) : "";
    }
    return answer;
}

const char* ComponentObjectBase::KeepText(int property, std::string text)
{
    std::string& kept = m_texts[property];
    kept = std::move(text);
    return kept.c_str();
}
