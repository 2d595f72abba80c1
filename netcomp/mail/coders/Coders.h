#pragma once
// The transfer encoders and decoders of the MIME and NetCode engines. Each
// reads one coder stream to its end and writes another, returning 0 or a
// coder code (CoderErrors.h); none of them holds more than a small window of
// its input, so files of any size stream through.
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/mail/coders/CoderStream.h"

// Copies the bytes unchanged.
[[nodiscard]] int CopyCoder(CoderStream& in, CoderStream& out);

// Quoted-printable (RFC 2045): lines of at most 76 characters with soft
// breaks, CR LF or LF in the input become CR LF line ends. The decoder drops
// the blanks that end a line and writes each hard line end as CR LF.
[[nodiscard]] int QpEncode(CoderStream& in, CoderStream& out);
[[nodiscard]] int QpDecode(CoderStream& in, CoderStream& out);

// Base64 (RFC 2045): 54 bytes to a line of 72 characters and CR LF. The
// decoder skips what is not in the alphabet and carries partial groups over
// line and read boundaries; "=" ends a group.
[[nodiscard]] int Base64Encode(CoderStream& in, CoderStream& out);
[[nodiscard]] int Base64Decode(CoderStream& in, CoderStream& out);

// URL form encoding: a blank becomes "+", unsafe bytes "%XX".
[[nodiscard]] int UrlEncode(CoderStream& in, CoderStream& out);
[[nodiscard]] int UrlDecode(CoderStream& in, CoderStream& out);

// Lower-case hex, and MD5 / SHA-1 of the whole input as lower-case hex.
[[nodiscard]] int HexEncode(CoderStream& in, CoderStream& out);
[[nodiscard]] int HexDecode(CoderStream& in, CoderStream& out);
[[nodiscard]] int Md5HexCoder(CoderStream& in, CoderStream& out);
[[nodiscard]] int Sha1HexCoder(CoderStream& in, CoderStream& out);

// Shift-JIS to ISO-2022-JP and back.
[[nodiscard]] int JisEncode(CoderStream& in, CoderStream& out);
[[nodiscard]] int JisDecode(CoderStream& in, CoderStream& out);

// The decoders of UUencode and yEnc learn the file name from the data before
// they write, so they ask the caller for their output once they know it.
class CoderOutput {
public:
    virtual ~CoderOutput() = default;
    // name: the file name found in the data; mode: the UU file mode ("" for yEnc).
    [[nodiscard]] virtual int Open(const char* name, const char* mode, CoderStream** out) = 0;
};

struct UuEncodeOptions {
    const char* fileName = "";
    const char* fileMode = "0755";
    uint64_t inputSize = 0; // needed to number split parts
};
[[nodiscard]] int UuEncode(CoderStream& in, CoderStream& out, const UuEncodeOptions& options);
[[nodiscard]] int UuDecode(CoderStream& in, CoderOutput& output);

struct YencEncodeOptions {
    const char* fileName = "";
    uint64_t inputSize = 0;
};
[[nodiscard]] int YencEncode(CoderStream& in, CoderStream& out, const YencEncodeOptions& options);
[[nodiscard]] int YencDecode(CoderStream& in, CoderOutput& output);

// Upper bounds of the output of a coder for n input bytes, in 64 bits, so a
// buffer reserved from them never runs out for valid input.
uint64_t QpEncodedBound(uint64_t n);
uint64_t Base64EncodedBound(uint64_t n);
