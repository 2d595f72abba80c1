#pragma once
// One part of a MIME message and the list of them. A part holds its data in
// memory or names a file; after a decode it records where its encoded body
// lies in the message and an upper bound of its decoded size.
#include <cstdint>
#include <memory>
#include <vector>

#include "netcomp/core/text/NetString.h"

enum MimeEncoding : int {
    kMime7bit = 0,
    kMimeQuotedPrintable = 1,
    kMimeBase64 = 2,
    kMime8bit = 3,
    kMimeBinary = 4,
    kMimeUnknown = 5,
};

// The Content-Transfer-Encoding text of an encoding ("7bit" ... "unknown").
const char* MimeEncodingText(int encoding);
// The first encoding whose text starts with the value (without regard to
// case); an empty value gives 7bit, a value matching none "unknown".
int MimeEncodingOf(const char* value, size_t n);

struct MimePart {
    MimePart() = default;
    ~MimePart() { DropTemporaryFile(); }
    MimePart(const MimePart&) = delete;
    MimePart& operator=(const MimePart&) = delete;

    int encoding = kMime7bit;
    int64_t size = 0;
    uint64_t bodyOffset = 0;
    uint64_t bodyLength = 0;
    NetString contentType;
    NetString contentId;
    NetString contentTypeAttr;
    NetString disposition;
    NetString dispositionAttr;
    NetString file;
    NetString data;
    NetString fileName;
    NetString name;
    NetString headers;
    // The file holds the part's body decoded on demand into a temporary file
    // of the engine's own, which goes with the part.
    bool temporaryFile = false;

    // Builds the header block from the fields; japanese writes the name
    // parameters as ISO-2022-JP encoded words.
    [[nodiscard]] int RebuildHeaders(bool japanese);
    // Removes the temporary file, if the file is one, and forgets it.
    void DropTemporaryFile();
};

class MimePartList {
public:
    // The most parts a message may have, set by the caller or found by a decode.
    static constexpr int kMaxParts = 10000;

    int Count() const { return int(m_parts.size()); }
    MimePart* At(int index) { return index >= 0 && index < Count() ? m_parts[size_t(index)].get() : nullptr; }
    // Drops the parts above count or appends empty ones; 200 when memory runs out.
    [[nodiscard]] int Resize(int count);

private:
    std::vector<std::unique_ptr<MimePart>> m_parts;
};
