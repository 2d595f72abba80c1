/* Property, method and event numbers of the XMLp component (XMLp_Get,
 * XMLp_Set, XMLp_Do and the event callback): the library's XML parser with
 * its events, the open-element and namespace lists and a path walk over the
 * document tree. Indexed properties count from 1.
 *
 * A document holds at most 128 attributes on one element, 128 elements open
 * at once and 128 namespace declarations in scope: the 129th stops the parse
 * with 200 ("Out of memory."). The same bound holds in every component that
 * reads XML (SOAP, XMPP, WebDAV, RSS). */
#ifndef NETCOMP_XMLP_H
#define NETCOMP_XMLP_H

enum XmlpProp {
    kXmlpAttrCount = 1,
    kXmlpAttrName = 2,
    kXmlpAttrNamespace = 3,
    kXmlpAttrPrefix = 4,
    kXmlpAttrValue = 5,
    kXmlpBuildDOM = 6,
    kXmlpOpenElementCount = 7,
    kXmlpOpenElementName = 8,
    kXmlpExtraNameChars = 9,
    kXmlpExtraWhitespaceChars = 10,
    kXmlpFlushOnNewLine = 11,
    kXmlpNamespaceCount = 12,
    kXmlpNamespaceURI = 13,
    kXmlpInputOffset = 14,
    kXmlpNamespacePrefix = 15,
    kXmlpValidate = 16,
    kXmlpPathChildCount = 17,
    kXmlpPathElement = 18,
    kXmlpPathNamespace = 19,
    kXmlpPathParent = 20,
    kXmlpXPath = 21,
    kXmlpPathPrefix = 22,
    kXmlpPathText = 23
};

/* Attr: attribute name, value out (second argument slot). */
enum XmlpMethod {
    kXmlpMethodConfig = 1,
    kXmlpMethodAttr = 2,
    kXmlpMethodFlush = 3,
    kXmlpMethodInput = 4,
    kXmlpMethodParseFile = 5,
    kXmlpMethodReset = 6,
    kXmlpMethodCount = 6
};

/* Characters: text (with its length). Comment, Whitespace, Declaration and
 * ProcessingInstruction: text. StartElement and EndElement: namespace URI,
 * local name, qualified name, empty flag. StartPrefixMapping: prefix, URI.
 * EndPrefixMapping: prefix. Error: code, description (a tolerated namespace
 * error). Entity: entity name, value (answerable: point it at another text to
 * replace the value). SpecialSection: section name, text. A non-zero result
 * of the callback stops the parse with that code. */
enum XmlpEvent {
    kXmlpEventCharacters = 1,
    kXmlpEventComment = 2,
    kXmlpEventEndElement = 3,
    kXmlpEventEndPrefixMapping = 4,
    kXmlpEventError = 5,
    kXmlpEventEntity = 6,
    kXmlpEventWhitespace = 7,
    kXmlpEventDeclaration = 8,
    kXmlpEventProcessingInstruction = 9,
    kXmlpEventSpecialSection = 10,
    kXmlpEventStartElement = 11,
    kXmlpEventStartPrefixMapping = 12
};

/* Codes of the component besides the parser's 200-210. */
enum XmlpCode {
    kXmlpBadAttrIndex = 101,
    kXmlpNoAttributes = 102,
    kXmlpBadNamespaceIndex = 103,
    kXmlpNoNamespaces = 104,
    kXmlpBadElementIndex = 105,
    kXmlpNoElements = 106,
    kXmlpNoSuchAttribute = 107
};

#endif /* NETCOMP_XMLP_H */
