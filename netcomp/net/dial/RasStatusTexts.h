#pragma once
// NetDial's own texts for the connection states and the RAS errors, for
// where the platform describes none.

namespace ras {

// The number of codes the table describes.
constexpr int kStatusTextCount = 181;

// The table's text for a connection state or RAS error; null for a code it
// does not hold.
const char* StatusText(int code);

} // namespace ras
