#pragma once
// How an engine reports events without knowing the C interface: it hands the
// component object's sink the event number and its parameters by address.
#include <cstdint>

struct EventParam {
    enum class Kind { Int, IntPtr, Bool, Text, Binary };

    Kind kind;
    void* address;   // int*, std::intptr_t*, bool*, const char** or char** (the data pointer)
    int length;      // byte length of binary data
    bool answerable; // the owner may change it; the change is copied back

    static EventParam Int(int* value, bool answerable = false) { return {Kind::Int, value, 0, answerable}; }
    // Pointer-sized values: handles, such as a look-up's request handle.
    static EventParam IntPtr(std::intptr_t* value) { return {Kind::IntPtr, value, 0, false}; }
    static EventParam Bool(bool* value, bool answerable = false) { return {Kind::Bool, value, 0, answerable}; }
    // An answerable text comes back as the pointer the owner left there; the
    // engine copies the text as soon as the event call has returned.
    static EventParam Text(const char** value, bool answerable = false) { return {Kind::Text, value, 0, answerable}; }
    static EventParam Binary(char** data, int length) { return {Kind::Binary, data, length, false}; }
};

class ComponentEvents {
public:
    static constexpr int kMaxParams = 16;

    // Slot 0: told the engine's code page before every event; nothing to do
    // for callers of the C interface.
    virtual void OnCodePage(int codePage) = 0;
    // The owner's answer: what its callback returned (0 without one).
    virtual int FireEvent(int event, int count, const EventParam* params) = 0;

protected:
    ~ComponentEvents() = default;
};
