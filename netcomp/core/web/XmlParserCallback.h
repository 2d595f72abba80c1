#pragma once
// What XmlParser reports while it reads a document. Every operation answers 0
// to go on; any other value stops the parse and becomes the parser's result.
// Texts belong to the parser and are valid only during the call.

class XmlParserCallback {
public:
    virtual ~XmlParserCallback() = default;

    // The text is not NUL-terminated at length; a callee may write a NUL there
    // for the duration of the call if it restores the byte.
    virtual int OnCharacters(char* text, int length) = 0;
    virtual int OnComment(const char* text) = 0;
    virtual int OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) = 0;
    virtual int OnEndPrefixMapping(const char* prefix) = 0;
    virtual int OnError(int code, const char* text) = 0;
    // The callee may point replacement at a text of its own; the parser copies it.
    virtual int OnEntity(const char* name, const char*& replacement) = 0;
    virtual int OnIgnorableWhitespace(const char* text) = 0;
    virtual int OnDeclaration(const char* text) = 0;
    virtual int OnProcessingInstruction(const char* text) = 0;
    virtual int OnSpecialSection(const char* name, const char* content) = 0;
    virtual int OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty) = 0;
    virtual int OnStartPrefixMapping(const char* prefix, const char* uri) = 0;
    virtual int OnInputChar(char c) = 0;
    // Whether OnInputChar does any work. A callback that does nothing there
    // answers false: the parser then never calls it and reads runs of plain
    // bytes, whole names, attributes and references in one go.
    virtual bool WantsInputChars() const { return true; }
};
