#pragma once
// The result codes of the coder streams and coders, shared by the MIME and
// NetCode engines and the mail components above them.

enum CoderError : int {
    kCoderOk = 0,
    kCoderShortUu = 1,
    kCoderNoEnd = 2,
    kCoderCantCreate = 3,
    kCoderCantOpen = 4,
    kCoderCantRead = 5,
    kCoderCantWrite = 6,
    kCoderNoUuName = 7,
    kCoderFileExists = 8,
    kCoderNoSpace = 9,
    kCoderSplitNamesShort = 10,
    kCoderNoOutputName = 11,
    kCoderTooManySplits = 12,
    kCoderPermissionDenied = 13,
    kCoderMediaFull = 14,
    kCoderTooManyOpenFiles = 15,
    kCoderBadFileName = 16,
    kCoderNoMoreFiles = 17,
    kCoderNoBegin = 18,
    kCoderNoOutputLength = 19,
    kCoderNoDecoding = 20,
    kCoderYencFormat = 21,
    kCoderYencNoEnd = 22,
    kCoderYencEscapeAtEnd = 23,
    kCoderYencCrc = 24,
};

// The text of a coder code, or the empty text for any other code.
const char* CoderErrorText(int code);
