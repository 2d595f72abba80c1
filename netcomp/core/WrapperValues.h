#pragma once
// How the component wrappers read and write the flat interface's values:
// texts travel as pointer-sized integers, method arguments as an array.
#include <windows.h>

namespace wrapper {

inline const char* Text(INT_PTR value)
{
    return reinterpret_cast<const char*>(value);
}

inline INT_PTR TextValue(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

// Argument i as a text, or null when the caller passed fewer.
inline const char* ArgText(int count, INT_PTR* args, int i)
{
    return (args && count > i) ? Text(args[i]) : nullptr;
}

// Methods that answer write the text pointer into argument 2.
inline int Answer(int count, INT_PTR* args, int rc, const char* answer)
{
    if (args && count >= 2)
        args[1] = TextValue(answer);
    return rc;
}

} // namespace wrapper
