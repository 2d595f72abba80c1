#pragma once
// A form engine with the accessors the WebForm and WebUpload tables name.
#include "netcomp/core/framework/ComponentValues.h"

template <class Engine>
class FormComponentEngine final : public Engine {
public:
    ByteView TransferredBytes() const
    {
        return {this->TransferredData().CStr(), int(this->TransferredData().Length())};
    }
    const char* TransferredHeaders() const { return this->ReceivedHeaders().CStr(); }
    // The URL setter of the interface takes the text alone (not a redirect).
    [[nodiscard]] int SetUrlText(const char* url) { return this->SetURL(url); }
};
