// Reads arbitrary bytes as a file: byte-order marks, UTF-16LE with broken
// surrogates, embedded NUL bytes, then parses and walks the document. The
// text passed to SetDocument stops at the first NUL; a file does not.
#include "common/XmlDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

std::string TempPath()
{
    static std::string path;
    if (path.empty()) {
        char pattern[] = "/tmp/kes_xml_file_fuzz_XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd < 0) {
            abort();
        }
        close(fd);
        path = pattern;
        atexit([] { remove(path.c_str()); });
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = TempPath();
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        abort();
    }
    fwrite(data, 1, size, file);
    fclose(file);

    XmlDocument doc;
    const bool ok = doc.LoadFile(path.c_str());
    if (ok != doc.IsWellFormed()) {
        abort();
    }
    doc.ResetPos();
    while (doc.FindElement(nullptr)) {
        doc.GetAttribute("a");
        doc.GetElementText();
        if (!doc.IntoElement()) {
            break;
        }
    }

    // The same bytes decoded in memory give the same text as the file.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text;
    std::string note;
    int flags = 0;
    XmlDocument::DecodeFileBytes(bytes, text, note, flags);
    if (text != doc.GetDocument()) {
        abort();
    }
    return 0;
}
