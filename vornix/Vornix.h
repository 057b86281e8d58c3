#pragma once
// The maker's library: text conversion, lenient XML picking and PAK archive
// entries. Same contracts as the original library (two-pass conversions:
// a size query with a null destination, then a fill), implemented with iconv
// and libzip.

#include <QString>
#include <cstdint>

namespace vornix {

// Converters from bytes to UTF-16. With dst null and cap 0: the number of
// UTF-16 units the whole source converts to. With a buffer of that size:
// fills it and answers the number of units written. A byte-order mark comes
// out as U+FEFF. Malformed sequences become U+FFFD.
int32_t UTF8ToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);
int32_t UTF16BEToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);
int32_t UTF32ToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);
int32_t UTF32BEToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);

// A transcoding code for GB18030 bytes to UTF-16 (the program passes 256, 2),
// used once by cpConvertEncoding, which follows the same two-pass contract.
int32_t cpMakeTrCode(int16_t from, int16_t to);
int32_t cpConvertEncoding(int32_t trCode, const char* src, int32_t srcLen, char16_t* dst,
                          int32_t cap);

// Finds the first element with that tag (case-sensitive; the name must be
// followed by a blank, ">" or "/") and sets pos to the 0-based offset of the
// attribute's value (without quotes) and len to its length; pos = -1 when
// there is no such element or attribute. Quoted values may hold ">"; no
// entity is decoded. The result is pos.
int32_t XMLPickAttribPosW(int32_t& pos, int32_t& len, const QString& text, const QString& tag,
                          int32_t flags, const QString& attribute);

// Sets pos and len to the next whole element with that tag at or after the
// running position: its start tag through its end tag when the end tag comes
// before the next element of that tag, else the start tag alone. Advances the
// running position past it; pos = -1 when none is left. The result is pos.
int32_t XMLPickFullTagPosW(int32_t& pos, int32_t& len, const QString& text, const QString& tag,
                           int32_t& runningPos, int32_t flags);

// A PAK archive is a ZIP archive; entries are named with "/" between folders,
// names flagged UTF-8 decode as UTF-8, others as GB18030. With size 0 (buffer
// untouched): the entry's size in bytes, 0 when the archive or the entry
// cannot be read (a damaged entry counts as unreadable). With a buffer of
// that size: copies the entry and answers the bytes copied (0 on failure).
int32_t GetFileFromPakW(void* buffer, int32_t size, const QString& archive, const QString& entry);

// Drops any archive kept open between calls (archives stay open while the
// same file is asked for again, so loading 2000 key sounds opens it once).
void closePakCache();

}  // namespace vornix

namespace lumidex {

// The substring the pickers found, or the literal "^ERROR" when the element
// or attribute is missing.
QString PickAttribute(const QString& text, const QString& tag, int32_t flags,
                      const QString& attribute);
QString PickFullTag(const QString& text, const QString& tag, int32_t& runningPos, int32_t flags);

inline const QString kPickError = QStringLiteral("^ERROR");

// Reads a whole PAK entry with the two GetFileFromPakW calls. Empty when the
// archive or entry cannot be read or the entry is empty.
QByteArray readPakEntry(const QString& archive, const QString& entry);

}  // namespace lumidex
