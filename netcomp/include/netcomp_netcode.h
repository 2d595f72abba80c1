/* Property, method and event numbers of the NetCode component (NetCode_Get,
 * NetCode_Set, NetCode_Do and the event callback). */
#ifndef NETCOMP_NETCODE_H
#define NETCOMP_NETCODE_H

enum NetCodeProp {
    kNetCodeDecodedData = 1, /* binary; length 0: a text */
    kNetCodeEncodedData = 2, /* binary; length 0: a text */
    kNetCodeFileCount = 3,
    kNetCodeFileName = 4,
    kNetCodeFormat = 5,
    kNetCodeUseEncodedName = 6,
    kNetCodeFileMode = 7,
    kNetCodeOverwrite = 8,
    kNetCodeProgressStep = 9
};

enum NetCodeMethod {
    kNetCodeConfig = 1,
    kNetCodeDecodeFile = 2,
    kNetCodeDecodeString = 3,
    kNetCodeEncodeFile = 4,
    kNetCodeEncodeString = 5
};

/* Format property values. */
enum NetCodeFormatValue {
    kNetCodeFormatUuencode = 0,
    kNetCodeFormatBase64 = 1,
    kNetCodeFormatQuotedPrintable = 2,
    kNetCodeFormatUrl = 3,
    kNetCodeFormatJis = 4,
    kNetCodeFormatYenc = 5,
    kNetCodeFormatMd5 = 6,
    kNetCodeFormatSha1 = 7,
    kNetCodeFormatHex = 8
};

/* Progress: percent complete (int). */
enum NetCodeEvent { kNetCodeEventProgress = 1 };

#endif /* NETCOMP_NETCODE_H */
