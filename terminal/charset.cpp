#include "terminal/charset.h"

#include <cstring>

namespace {

// Code points of the Windows-1252 bytes 0x80..0x9F; 0 where the byte is
// unassigned.
const uint16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

const int32_t REPLACEMENT = 0xFFFD;

}  // namespace

int32_t codePointOfCp1252(unsigned char byte)
{
    if (byte < 0x80 || byte >= 0xA0) return byte;
    return HighControls[byte - 0x80] ? HighControls[byte - 0x80] : -1;
}

int32_t nextCodePoint(const char* text, int length, int* pos)
{
    if (*pos >= length) return -1;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    unsigned char lead = bytes[*pos];
    if (lead == 0) return -1;
    int extra;
    int32_t value;
    int32_t minimum;
    if (lead < 0x80) {
        *pos += 1;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1; value = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2; value = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3; value = lead & 0x07; minimum = 0x10000;
    } else {
        *pos += 1;
        return REPLACEMENT;
    }
    for (int k = 1; k <= extra; ++k) {
        if (*pos + k >= length || (bytes[*pos + k] & 0xC0) != 0x80) {
            *pos += 1;
            return REPLACEMENT;
        }
        value = (value << 6) | (bytes[*pos + k] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        *pos += 1;
        return REPLACEMENT;
    }
    *pos += extra + 1;
    return value;
}

int codePointToCp1252(int32_t codePoint)
{
    if ((codePoint >= 0x20 && codePoint < 0x7F) || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return codePoint;
    if (codePoint > 0xFF) {
        for (int k = 0; k < 32; ++k)
            if (HighControls[k] == codePoint) return 0x80 + k;
    }
    return -1;
}

int cp1252ToUtf8(const char* text, char* out, int size)
{
    if (size <= 0) return 0;
    int length = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        int32_t codePoint = codePointOfCp1252(*p);
        if (codePoint < 0) codePoint = REPLACEMENT;
        char encoded[3];
        int count;
        if (codePoint < 0x80) {
            encoded[0] = static_cast<char>(codePoint);
            count = 1;
        } else if (codePoint < 0x800) {
            encoded[0] = static_cast<char>(0xC0 | (codePoint >> 6));
            encoded[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
            count = 2;
        } else {
            encoded[0] = static_cast<char>(0xE0 | (codePoint >> 12));
            encoded[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            encoded[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
            count = 3;
        }
        if (length + count >= size) break;
        for (int k = 0; k < count; ++k) out[length++] = encoded[k];
    }
    out[length] = '\0';
    return length;
}

int utf8ToCp1252(const char* text, char* out, int size)
{
    if (size <= 0) return 0;
    const int length = static_cast<int>(std::strlen(text));
    int written = 0;
    int pos = 0;
    for (int32_t codePoint; written + 1 < size && (codePoint = nextCodePoint(text, length, &pos)) >= 0;) {
        int byte = codePoint < 0x80 ? codePoint : codePointToCp1252(codePoint);
        out[written++] = static_cast<char>(byte >= 0 ? byte : '?');
    }
    out[written] = '\0';
    return written;
}
