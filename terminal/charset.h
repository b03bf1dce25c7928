// The one-byte Windows-1252 code page the program works in (the terminal's
// bytes, typed characters, host names, message texts, the font's glyphs),
// and conversions between it and UTF-8.
#pragma once
#include <cstdint>

// The code point of a Windows-1252 byte; -1 for the five bytes the code
// page leaves unassigned.
int32_t codePointOfCp1252(unsigned char byte);

// The next code point of a UTF-8 text at text[*pos], advancing *pos past
// it. A malformed or truncated sequence yields U+FFFD and skips one byte.
// Returns -1 at the end (a NUL or `length` reached).
int32_t nextCodePoint(const char* text, int length, int* pos);

// The Windows-1252 byte of a code point, or -1 when the code page has none
// (controls included).
int codePointToCp1252(int32_t codePoint);

// Writes `text` (Windows-1252, NUL-terminated) as NUL-terminated UTF-8 into
// out[size]; a character that does not fit whole is left off. Returns the
// length written.
int cp1252ToUtf8(const char* text, char* out, int size);

// Writes UTF-8 `text` as NUL-terminated Windows-1252 into out[size]: each
// character as its byte, '?' for one the code page lacks, as the Windows
// edit controls hand their text over. Returns the length written.
int utf8ToCp1252(const char* text, char* out, int size);
