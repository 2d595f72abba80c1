#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

// The text that a _Do call gave back in one of its argument slots, copied.
// GCC 12 at -O2 takes a pointer made from an integer that it read out of a
// small local array (INT_PTR args[2]) for a pointer into that array, bounds
// strlen by the array's size and inlines std::string's constructor without
// its heap branch: a longer answer is then copied over the string's 16-byte
// inline buffer and the stack around it. The empty asm hides where the
// pointer came from, so the copy is made as for any other text.
inline std::string AnswerText(INT_PTR slot)
{
    const char* text = reinterpret_cast<const char*>(slot);
    asm("" : "+r"(text));
    return std::string(text ? text : "");
}
