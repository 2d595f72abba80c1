// Parses arbitrary bytes, walks every element and its text, then edits the
// document (attributes and new elements). Whenever the input was well formed,
// a fresh parse of the edited text must give the same elements, names,
// attributes and texts as the edited records.
#include "common/XmlDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// A signature of the tree under the cursor's main position.
void Walk(XmlDocument& doc, std::string& out, int depth)
{
    if (depth > 64) {
        return;
    }
    while (doc.FindChildElement(nullptr)) {
        int child = doc.GetChildPos();
        out += doc.GetTagNameAt(child);
        out += '[';
        out += doc.GetAttributeAt(child, "a");
        out += '|';
        out += doc.GetElementTextAt(child);
        out += ']';
        doc.IntoElement(); // the child becomes the main element
        Walk(doc, out, depth + 1);
        doc.OutOfElement(); // and the child position again
        out += ')';
    }
}

std::string Signature(XmlDocument& doc)
{
    std::string out;
    doc.ResetPos();
    if (!doc.FindElement(nullptr)) {
        return out;
    }
    out += doc.GetTagNameAt(doc.GetMainPos());
    out += doc.GetAttribute("a");
    Walk(doc, out, 0);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    XmlDocument doc;
    bool ok = doc.SetDocument(text.c_str());
    // Paths and lookups driven by the input itself.
    doc.FindElement(text.c_str());
    doc.FindChildElement(text.size() > 4 ? text.c_str() + 4 : nullptr);
    doc.GetAttribute(text.c_str());
    doc.GetElementText();
    for (int pos = 0; pos < 8; ++pos) {
        doc.GetElementTextAt(pos);
        doc.GetAttributeAt(pos, "a");
    }
    XmlDocument::UnescapeText(text.data(), text.size());
    Signature(doc);

    // Edits: a new attribute, a changed one, new children, a sibling.
    doc.ResetPos();
    if (doc.FindElement(nullptr)) {
        std::string value = text.substr(0, 40);
        doc.SetAttributeAt(doc.GetMainPos(), "a", value.c_str());
        doc.SetAttributeAt(doc.GetMainPos(), "a", "");
        doc.AddElement("n1", value.c_str(), true);
        doc.SetAttributeAt(doc.GetChildPos(), "a", value.c_str());
        if (doc.FindChildElement(nullptr)) {
            doc.IntoElement();
            doc.AddElement("n2", nullptr, true);
            doc.AddElement("n3", "v", true);
            doc.OutOfElement();
        }
        doc.AddElement("n4", nullptr, true);
    } else {
        doc.AddElement("root", nullptr, false);
        doc.AddElement("child", text.substr(0, 16).c_str(), true);
    }

    if (ok) {
        std::string edited = Signature(doc);
        XmlDocument reread;
        if (!reread.SetDocument(doc.GetDocument().c_str()) || Signature(reread) != edited) {
            abort();
        }
    }
    return 0;
}
