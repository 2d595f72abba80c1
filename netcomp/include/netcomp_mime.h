/* Property, method and event numbers of the MIME component (MIME_Get,
 * MIME_Set, MIME_Do and the event callback). The part properties take the
 * part index as their index. */
#ifndef NETCOMP_MIME_H
#define NETCOMP_MIME_H

enum MimeProp {
    kMimeBoundary = 1,
    kMimeContentType = 2,
    kMimeContentTypeAttr = 3,
    kMimeMessage = 4, /* binary; length 0: a text */
    kMimeMessageHeaders = 5,
    kMimePartContentDisposition = 6,
    kMimePartContentDispositionAttr = 7,
    kMimePartContentId = 8,
    kMimePartContentType = 9,
    kMimePartContentTypeAttr = 10,
    kMimePartCount = 11,
    kMimePartDecodedFile = 12,
    kMimePartDecodedString = 13, /* binary; length 0: a text */
    kMimePartEncoding = 14,
    kMimePartFilename = 15,
    kMimePartHeaders = 16,
    kMimePartName = 17,
    kMimePartSize = 18 /* pointer-sized */
};

enum MimeMethod {
    kMimeConfig = 1,
    kMimeDecodeFromFile = 2,
    kMimeDecodeFromString = 3,
    kMimeEncodeToFile = 4,
    kMimeEncodeToString = 5,
    kMimeReset = 6
};

/* Progress: percent complete (int). */
enum MimeEvent { kMimeEventProgress = 1 };

#endif /* NETCOMP_MIME_H */
