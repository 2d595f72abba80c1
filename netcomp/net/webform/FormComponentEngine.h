#pragma once
// A form engine with the accessors the WebForm and WebUpload tables name.
#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/framework/ResultCodes.h"

template <class Engine>
class FormComponentEngine final : public Engine {
public:
    // The index checks of the flat interface: the engine's own text tells
    // the reason, the interface answers the range error.
    int CookieIndex(int i) { return this->CheckCookieIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }
    int VariableIndex(int i) { return this->CheckFormVarIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }
    int FileIndex(int i) { return this->CheckFileIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }

    ByteView TransferredBytes() const
    {
        return {this->TransferredData().CStr(), int(this->TransferredData().Length())};
    }
    const char* TransferredHeaders() const { return this->ReceivedHeaders().CStr(); }
    // The URL setter of the interface takes the text alone (not a redirect).
    [[nodiscard]] int SetUrlText(const char* url) { return this->SetURL(url); }
};
