#pragma once
// Result codes of the XML parser and its path language (200 is the shared
// out-of-memory code).
constexpr int kXmlUnbalancedTag = 201;
constexpr int kXmlUnknownElementPrefix = 202;
constexpr int kXmlUnknownAttributePrefix = 203;
constexpr int kXmlInvalidMarkup = 204;
constexpr int kXmlInvalidEndState = 205;
constexpr int kXmlUnbalancedDocument = 206;
constexpr int kXmlInvalidPath = 207;
constexpr int kXmlNoSuchChild = 208;
constexpr int kXmlTopElementMismatch = 209;
constexpr int kXmlNoTree = 210;

// The text of a parser code; "xmlpimpl: unknown error" for any other code.
const char* XmlErrorText(int code);
