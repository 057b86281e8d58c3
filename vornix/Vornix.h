#pragma once
// The maker's library: text conversion, lenient XML picking and PAK archive
// entries. Same contracts as the original library (two-pass conversions:
// a size query with a null destination, then a fill), implemented with iconv
// and libzip.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

namespace vornix {

// Converters from bytes to UTF-16. With dst null and cap 0: the number of
// UTF-16 units the whole source converts to. With a buffer of that size:
// fills it and answers the number of units written. A byte-order mark comes
// out as U+FEFF. Malformed sequences become U+FFFD.
int32_t UTF8ToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);
int32_t UTF16BEToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);
int32_t UTF32ToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);
int32_t UTF32BEToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap);

// A transcoding code for GB18030 bytes to UTF-16 (the program passes 256, 2;
// any other pair gives 0), used by cpConvertEncoding, which follows the same
// two-pass contract (and converts nothing for a code other than that one).
int32_t cpMakeTrCode(int16_t from, int16_t to);
int32_t cpConvertEncoding(int32_t trCode, const char* src, int32_t srcLen, char16_t* dst,
                          int32_t cap);

// The one iconv loop every converter above goes through. fromCode is an iconv
// encoding name ("GB18030", "UTF-8", "UTF-16BE", "CP1252"...). Same two-pass
// contract; a sequence iconv refuses becomes U+FFFD and the conversion goes on
// after it (one byte for byte encodings, one unit for UTF-16/UTF-32); an
// incomplete sequence at the end becomes one U+FFFD. 0 when iconv does not
// know the encoding or the source is empty.
int32_t convertToUTF16(const char* fromCode, const char* src, int32_t srcLen, char16_t* dst,
                       int32_t cap);

// The other direction: text encoded with iconv's toCode; every character the
// encoding cannot hold (and every unpaired surrogate) becomes "?". Empty, with
// *ok false, when iconv does not know the encoding.
QByteArray convertFromUTF16(const QString& text, const char* toCode, bool* ok = nullptr);

// Finds the first element with that tag (case-sensitive; the name must be
// followed by a blank, ">" or "/") and sets pos to the 0-based offset of the
// attribute's value (without quotes) and len to its length; pos = -1 when
// there is no such element or attribute. Quoted values may hold ">"; no
// entity is decoded. Attribute names match whole and case-sensitively ("BPM"
// is not "OriginalBPM"); an attribute without "=" has an empty value.
// Comments, CDATA and <? ?> are skipped; an unescaped quote inside a value is
// kept when what follows it does not look like the rest of the tag (details
// in XmlPick.cpp). flags (the program passes 1) is not used. The result is pos.
// Only the first element of the tag is looked at.
int32_t XMLPickAttribPosW(int32_t& pos, int32_t& len, const QString& text, const QString& tag,
                          int32_t flags, const QString& attribute);

// Sets pos and len to the next whole element with that tag at or after the
// running position: its start tag through its end tag when the end tag comes
// before the next element of that tag, else the start tag alone. Advances the
// running position past it; pos = -1 (running position unchanged) when none
// is left. A self-closing start tag ("/>") is the whole element. Each call
// reads only from the running position to the end of what it returns (up to
// the next element of the tag when there is no end tag; to the end of the
// text when none is left), so visiting every element costs time linear in
// the text.
int32_t XMLPickFullTagPosW(int32_t& pos, int32_t& len, const QString& text, const QString& tag,
                           int32_t& runningPos, int32_t flags);

// The elements of the given tags in a text, found in one walk over it,
// without copying anything: for each tag the elements XMLPickFullTagPosW
// visits with a running position from 0 (same order, same extents), and
// their attributes as XMLPickAttribPosW finds them. Tags are names (no
// blank, "=", ">", "/", "<" or quote, as every chart tag). Holds a view of
// the text, which must outlive it; the views it answers point into that
// text. Memory: a few dozen bytes per element of those tags, and attribute
// positions kept within the size of the text.
class XmlElements {
  public:
    struct Element {
        int32_t pos = 0;      // the offset of its "<"
        int32_t len = 0;      // through its end tag, or its start tag alone
        int32_t nameEnd = 0;  // where its attributes begin
        int32_t attributesBegin = 0,
                attributesEnd = 0;  // its attributes as the walk read them; -1: not kept
        bool closed = false;        // its start tag ends in ">"
    };

    XmlElements(QStringView text, const std::vector<QStringView>& tags);

    // Every element of tag in document order; empty when there is none (or
    // the tag was not asked for).
    const std::vector<Element>& elements(QStringView tag) const;
    bool has(QStringView tag) const;

    // The attribute's value as XMLPickAttribPosW finds it in the element's
    // own text; nullopt when the element has no such attribute.
    std::optional<QStringView> attribute(const Element& e, QStringView name) const;
    // Several at once, in one scan of the start tag: values[k] for names[k].
    void attributes(const Element& e, std::initializer_list<QStringView> names,
                    std::optional<QStringView>* values) const;
    // The attribute of the first element of tag, as XMLPickAttribPosW finds
    // it in the whole text (what the header values are read with).
    std::optional<QStringView> firstAttribute(QStringView tag, QStringView name) const;

  private:
    struct AttributeSpan {
        int32_t nameBegin, nameEnd, valueBegin, valueEnd;
    };
    // Scans a start tag of scanned from `from` for the names.
    static void scan(QStringView scanned, int32_t from, std::initializer_list<QStringView> names,
                     std::optional<QStringView>* values);

    // The index of tag among the tags asked for; -1 when it is not one.
    int tagIndex(QStringView tag) const;

    QStringView text_;
    std::vector<QString> tags_;                // the tags asked for
    std::vector<std::vector<Element>> byTag_;  // their elements, by index in tags_
    std::vector<AttributeSpan> attributes_;    // of every start tag that can be an element
};

// A PAK archive is a ZIP archive; entries are named with "/" between folders,
// names flagged UTF-8 decode as UTF-8, others as GB18030. With size 0 (buffer
// untouched): the entry's size in bytes as the archive's directory gives it,
// without reading the entry; 0 when the archive or the entry cannot be found,
// or the entry is empty or 2 GiB and larger. With a buffer: inflates the entry
// straight into it and answers the bytes copied; a buffer that holds the whole
// entry is checked to its end, and a damaged entry answers 0; a smaller buffer
// receives the entry's first bytes only.
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

// Reads a whole PAK entry (what the two GetFileFromPakW calls give) into one
// buffer of the entry's size. Empty when the archive or entry cannot be read,
// the entry is empty or damaged, or the directory gives it more than maxBytes.
QByteArray readPakEntry(const QString& archive, const QString& entry, qint64 maxBytes = INT32_MAX);

}  // namespace lumidex
