// Lenient picking of elements and attributes out of chart text.
//
// Chart files are not well-formed XML: attribute text is written without any
// escaping, so a value may hold "<", ">", "&" and even its own quote
// character. The scanner therefore works on the text as it is:
//
// - Markup starts at "<". Comments (<!-- -->), CDATA sections, processing
//   instructions (<? ?>) and declarations (<! >) are stepped over whole; end
//   tags are recognised by "</"; a "<" that is not followed by a name
//   character is plain text.
// - A tag name matches when it is equal, case-sensitively, and followed by a
//   blank, ">" or "/". So "<BPMX" is no "BPM" element.
// - Inside a start tag, attributes are name, "=", value. A value in double or
//   single quotes may hold ">" and "<". Because quotes are never escaped, a
//   quote only closes the value when what follows it looks like the rest of a
//   start tag (blanks, then ">", "/", the end of the text, or an attribute
//   name followed by "=", ">" or "/"). When no quote on the rest of the line
//   (at most kQuoteLookahead units on) looks like that, the first one closes
//   the value. So Name="He said "hi"" reads as He said "hi".
// - Unquoted values run to a blank or ">"; an attribute without "=" has an
//   empty value (found, length 0). An unquoted "<" inside a start tag ends it
//   (the ">" was missing), so one broken tag never swallows the next element.
// - No entity is decoded. Names of attributes are matched whole and
//   case-sensitively, so "BPM" never matches "OriginalBPM".
//
// Every call only reads from its start position to the end of what it picks
// (plus, for an element without end tag, up to the next element of its tag),
// so visiting all elements of a text with a running position costs time
// linear in the text.

#include "Vornix.h"

#include <QStringView>
#include <algorithm>
#include <utility>

namespace vornix {

namespace {

// How far past a first, doubtful closing quote the scanner looks for a better
// one (it stops earlier at a line end).
constexpr int kQuoteLookahead = 1024;

inline bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

inline bool isNameChar(char16_t c) {
    return !isBlank(c) && c != u'=' && c != u'>' && c != u'/' && c != u'<' && c != u'"' &&
           c != u'\'';
}

// Equal texts; inline, as names are a few units long.
inline bool sameUnits(QStringView a, QStringView b) {
    return a.size() == b.size() && std::equal(a.utf16(), a.utf16() + a.size(), b.utf16());
}

class Scanner {
  public:
    // The scanner reads text only; a view that ends early (an element's own
    // text) scans exactly as a copy of that part would.
    explicit Scanner(QStringView text) : view_(text), s_(text.utf16()), n_(int(text.size())) {}

    int size() const { return n_; }

    // One attribute of a start tag: name [nameBegin, nameEnd), value
    // [valueBegin, valueEnd); next is where the scan of the tag goes on.
    struct Attribute {
        int nameBegin, nameEnd, valueBegin, valueEnd, next;
    };

    struct StartTag {
        int end = 0;               // index after its ">" (or where it stops)
        bool selfClosing = false;  // ends in "/>"
        bool closed = false;       // a ">" was found
    };

    int skipBlanks(int k) const {
        while (k < n_ && isBlank(s_[k])) ++k;
        return k;
    }

    // The end of an unquoted value starting at k: a blank, "<", ">" or "/>".
    int unquotedValueEnd(int k) const {
        while (k < n_ && !isBlank(s_[k]) && s_[k] != u'>' && s_[k] != u'<' &&
               !(s_[k] == u'/' && k + 1 < n_ && s_[k + 1] == u'>'))
            ++k;
        return k;
    }

    // The attribute whose name starts at i: its name, its value (quoted,
    // unquoted, or empty when there is no "="), and where scanning goes on.
    Attribute parseAttribute(int i) const {
        Attribute a;
        a.nameBegin = i;
        while (i < n_ && isNameChar(s_[i])) ++i;
        a.nameEnd = i;
        int k = skipBlanks(i);
        if (k >= n_ || s_[k] != u'=') {
            a.valueBegin = a.valueEnd = a.nameEnd;
            a.next = i;
            return a;
        }
        k = skipBlanks(k + 1);
        if (k < n_ && (s_[k] == u'"' || s_[k] == u'\'')) {
            const int close = closingQuote(k);
            a.valueBegin = k + 1;
            a.valueEnd = close;
            a.next = close < n_ ? close + 1 : n_;
        } else {
            a.valueBegin = k;
            a.valueEnd = a.next = unquotedValueEnd(k);
        }
        return a;
    }

    template <class F>
    StartTag parseStartTag(int i, F&& onAttribute) const {
        StartTag tag;
        bool slash = false;
        while (i < n_) {
            const char16_t c = s_[i];
            if (isBlank(c)) {
                ++i;
                continue;
            }
            if (c == u'>') {
                tag.end = i + 1;
                tag.closed = true;
                tag.selfClosing = slash;
                return tag;
            }
            if (c == u'<') break;  // the ">" is missing: the tag ends here
            slash = (c == u'/');
            if (c == u'/' || c == u'=') {
                ++i;
                continue;
            }
            if (c == u'"' || c == u'\'') {  // stray quoted text: step over it
                const int close = closingQuote(i);
                i = close < n_ ? close + 1 : n_;
                continue;
            }
            const Attribute a = parseAttribute(i);
            i = a.next;
            if (onAttribute(a)) {
                tag.end = i;
                return tag;
            }
        }
        tag.end = i;
        return tag;
    }

    // The next start tag (isEnd false) of `tag` at or after `from`, or, when
    // wantEnd, also the next end tag of it, whichever comes first. lt is the
    // index of its "<", -1 when there is none.
    struct Found {
        int lt = -1;
        bool isEnd = false;
    };
    // After the comment, CDATA section, declaration or processing
    // instruction whose "<" is at lt; next is the "!" or "?" after it.
    int skipMarkup(int lt, char16_t next) const {
        if (next == u'?') return skipPast(lt + 2, u"?>");
        if (startsWith(lt, u"<!--")) return skipPast(lt + 4, u"-->");
        if (startsWith(lt, u"<![CDATA[")) return skipPast(lt + 9, u"]]>");
        return skipPast(lt + 2, u">");
    }

    Found findTag(int from, QStringView tag, bool wantEnd) const {
        int i = from;
        while (i < n_) {
            const int lt = findUnit(u'<', i);
            if (lt < 0) break;
            const char16_t next = lt + 1 < n_ ? s_[lt + 1] : u'\0';
            if (next == u'!' || next == u'?') {
                i = skipMarkup(lt, next);
            } else if (next == u'/') {
                if (wantEnd && endNameMatches(lt + 2, tag)) return {lt, true};
                i = lt + 2;  // an end tag holds no quotes: go on after "</"
            } else if (lt + 1 < n_ && isNameChar(next)) {
                if (nameMatches(lt + 1, tag)) return {lt, false};
                int nameEnd = lt + 1;
                while (nameEnd < n_ && isNameChar(s_[nameEnd])) ++nameEnd;
                i = parseStartTag(nameEnd, [](const Attribute&) { return false; }).end;
            } else {
                i = lt + 1;  // "<" as plain text
            }
        }
        return {};
    }

    // The end of the end tag whose "</" is at lt: after its ">", or after its
    // name when the ">" is missing before the next "<".
    int endTagEnd(int lt, int tagLength) const {
        const int nameEnd = lt + 2 + tagLength;
        for (int k = nameEnd; k < n_; ++k) {
            if (s_[k] == u'>') return k + 1;
            if (s_[k] == u'<') break;
        }
        return nameEnd;
    }

    bool equals(int begin, int end, QStringView name) const {
        return end - begin == name.size() && sameAt(begin, name);
    }

    // One piece of markup of the walk findTag makes: a start tag or an end
    // tag, with its name [nameBegin, nameEnd).
    struct Token {
        int lt = 0;
        int nameBegin = 0, nameEnd = 0;
        bool isEnd = false;
        bool named = false;  // the name can match a tag (what nameMatches/endNameMatches ask)
        StartTag start;      // for a start tag
    };

    // Calls onToken for every start and end tag, stepping over the text
    // exactly as findTag does (comments, CDATA, <? ?>, a start tag's quoted
    // values): findTag of any tag stops at the first token named so from its
    // start position on.
    // onAttribute sees every attribute of a start tag, in order, before
    // onToken sees the tag.
    template <class F, class G>
    void forEachToken(F&& onToken, G&& onAttribute) const {
        int i = 0;
        while (i < n_) {
            const int lt = findUnit(u'<', i);
            if (lt < 0) break;
            const char16_t next = lt + 1 < n_ ? s_[lt + 1] : u'\0';
            if (next == u'!' || next == u'?') {
                i = skipMarkup(lt, next);
            } else if (next == u'/') {
                Token t;
                t.lt = lt;
                t.isEnd = true;
                t.nameBegin = lt + 2;
                t.nameEnd = nameRunEnd(t.nameBegin);
                const char16_t c = t.nameEnd < n_ ? s_[t.nameEnd] : u'>';
                t.named =
                    t.nameEnd > t.nameBegin && (isBlank(c) || c == u'>' || c == u'<' || c == u'/');
                onToken(t);
                i = lt + 2;
            } else if (lt + 1 < n_ && isNameChar(next)) {
                Token t;
                t.lt = lt;
                t.nameBegin = lt + 1;
                t.nameEnd = nameRunEnd(t.nameBegin);
                const char16_t c = t.nameEnd < n_ ? s_[t.nameEnd] : u'=';
                t.named = isBlank(c) || c == u'>' || c == u'/';
                t.start = parseStartTag(t.nameEnd, [&onAttribute](const Attribute& a) {
                    onAttribute(a);
                    return false;
                });
                onToken(t);
                i = t.start.end;
            } else {
                i = lt + 1;
            }
        }
    }

  private:
    // The first unit c at or after from, -1 when there is none. Values and
    // the text between elements are short: a plain loop beats a call.
    int findUnit(char16_t c, int from) const {
        for (int k = from; k < n_; ++k)
            if (s_[k] == c) return k;
        return -1;
    }

    int nameRunEnd(int i) const {
        while (i < n_ && isNameChar(s_[i])) ++i;
        return i;
    }

    // The units at i equal what (the caller checked that they exist).
    bool sameAt(int i, QStringView what) const {
        const char16_t* w = what.utf16();
        for (qsizetype k = 0; k < what.size(); ++k)
            if (s_[i + k] != w[k]) return false;
        return true;
    }

    bool startsWith(int i, QStringView what) const {
        return n_ - i >= what.size() && sameAt(i, what);
    }

    int skipPast(int from, QStringView what) const {
        const int at = int(view_.indexOf(what, from));
        return at < 0 ? n_ : at + int(what.size());
    }

    // The tag name at i equals tag and is followed by a blank, ">" or "/".
    bool nameMatches(int i, QStringView tag) const {
        const int after = i + int(tag.size());
        if (tag.isEmpty() || after >= n_) return false;
        const char16_t c = s_[after];
        return (isBlank(c) || c == u'>' || c == u'/') && sameAt(i, tag);
    }

    // The name of an end tag at i equals tag. An end tag holds nothing else,
    // so the name may also be followed by "<" or the end of the text (its
    // ">" is missing).
    bool endNameMatches(int i, QStringView tag) const {
        const int after = i + int(tag.size());
        if (tag.isEmpty() || after > n_ || !sameAt(i, tag)) return false;
        if (after == n_) return true;
        const char16_t c = s_[after];
        return isBlank(c) || c == u'>' || c == u'<' || c == u'/';
    }

    // Whether the quote at j looks like the end of a value: what follows is
    // blanks, then the end of the text, ">", "/", or an attribute name
    // followed by "=", ">", "/" or the end of the text.
    bool closesValue(int j) const {
        int k = j + 1;
        while (k < n_ && isBlank(s_[k])) ++k;
        if (k >= n_) return true;
        const char16_t c = s_[k];
        if (c == u'>' || c == u'/') return true;
        if (!isNameChar(c)) return false;
        while (k < n_ && isNameChar(s_[k])) ++k;
        while (k < n_ && isBlank(s_[k])) ++k;
        return k >= n_ || s_[k] == u'=' || s_[k] == u'>' || s_[k] == u'/';
    }

    // The closing quote of the value opened by the quote at `open`; n_ when
    // the text ends first.
    int closingQuote(int open) const {
        const char16_t q = s_[open];
        const int first = findUnit(q, open + 1);
        if (first < 0) return n_;
        if (closesValue(first)) return first;
        const int limit = first + kQuoteLookahead < n_ ? first + kQuoteLookahead : n_;
        for (int j = first + 1; j < limit; ++j) {
            const char16_t c = s_[j];
            if (c == u'\r' || c == u'\n') break;
            if (c == q && closesValue(j)) return j;
        }
        return first;
    }

    QStringView view_;
    const char16_t* s_;
    int n_;
};

}  // namespace

int32_t XMLPickAttribPosW(int32_t& pos, int32_t& len, const QString& text, const QString& tag,
                          int32_t /*flags*/, const QString& attribute) {
    pos = -1;
    len = 0;
    const Scanner sc(text);
    const Scanner::Found start = sc.findTag(0, tag, false);
    if (start.lt < 0 || attribute.isEmpty()) return pos;
    sc.parseStartTag(start.lt + 1 + int(tag.size()), [&](const Scanner::Attribute& a) {
        if (!sc.equals(a.nameBegin, a.nameEnd, attribute)) return false;
        pos = a.valueBegin;
        len = a.valueEnd - a.valueBegin;
        return true;
    });
    return pos;
}

int32_t XMLPickFullTagPosW(int32_t& pos, int32_t& len, const QString& text, const QString& tag,
                           int32_t& runningPos, int32_t /*flags*/) {
    pos = -1;
    len = 0;
    const Scanner sc(text);
    const int from = runningPos < 0 ? 0 : runningPos;
    if (from >= sc.size()) return pos;
    const Scanner::Found start = sc.findTag(from, tag, false);
    if (start.lt < 0) return pos;
    const Scanner::StartTag st = sc.parseStartTag(start.lt + 1 + int(tag.size()),
                                                  [](const Scanner::Attribute&) { return false; });
    int end = st.end;
    if (st.closed && !st.selfClosing) {
        // Through the end tag when it comes before the next element of this
        // tag; otherwise the start tag alone.
        const Scanner::Found next = sc.findTag(st.end, tag, true);
        if (next.lt >= 0 && next.isEnd) end = sc.endTagEnd(next.lt, int(tag.size()));
    }
    pos = start.lt;
    len = end - start.lt;
    runningPos = end;
    return pos;
}

XmlElements::XmlElements(QStringView text, const std::vector<QStringView>& tags)
    : text_(text), byTag_(tags.size()) {
    tags_.reserve(tags.size());
    for (const QStringView tag : tags) tags_.push_back(tag.toString());
    const Scanner sc(text);
    // The attributes kept take at most as much memory as the text; elements
    // past that budget have theirs read again when asked (a chart keeps
    // about one attribute in 12 units).
    const size_t budget = size_t(text.size()) / 8 + 64;
    attributes_.reserve(std::min<size_t>(budget, size_t(text.size()) / 12 + 64));
    bool overBudget = false;
    // Per tag, the element still looking for its end tag (-1: none): the
    // next end tag of that name closes it, the next start tag of that name
    // leaves it the start tag alone (what XMLPickFullTagPosW's search for the
    // end finds).
    std::vector<int> open(tags.size(), -1);
    size_t attributesBegin = 0;
    const auto onToken = [&](const Scanner::Token& t) {
        const size_t attributesEnd = attributes_.size();
        const bool tagOverBudget = std::exchange(overBudget, false);
        // Attributes are kept for an element only; the others' are dropped.
        const auto drop = [&] { attributes_.resize(attributesBegin); };
        if (!t.named) return drop();
        const int tag = tagIndex(QStringView(text.data() + t.nameBegin, t.nameEnd - t.nameBegin));
        if (tag < 0) return drop();
        std::vector<Element>& list = byTag_[size_t(tag)];
        int& waiting = open[size_t(tag)];
        if (t.isEnd) {
            if (waiting < 0) return;
            Element& e = list[size_t(waiting)];
            e.len = sc.endTagEnd(t.lt, t.nameEnd - t.nameBegin) - e.pos;
            waiting = -1;
            return;
        }
        Element e{t.lt, t.start.end - t.lt, t.nameEnd};
        e.closed = t.start.closed;
        if (tagOverBudget) {
            drop();
            e.attributesBegin = e.attributesEnd = -1;  // read again when asked
        } else {
            e.attributesBegin = int32_t(attributesBegin);
            e.attributesEnd = int32_t(attributesEnd);
            attributesBegin = attributesEnd;
        }
        list.push_back(e);
        waiting = t.start.closed && !t.start.selfClosing ? int(list.size() - 1) : -1;
    };
    const auto onAttribute = [&](const Scanner::Attribute& a) {
        if (attributes_.size() < budget)
            attributes_.push_back({a.nameBegin, a.nameEnd, a.valueBegin, a.valueEnd});
        else
            overBudget = true;
    };
    sc.forEachToken(onToken, onAttribute);
}

int XmlElements::tagIndex(QStringView name) const {
    for (size_t k = 0; k < tags_.size(); ++k)
        if (sameUnits(name, tags_[k])) return int(k);
    return -1;
}

const std::vector<XmlElements::Element>& XmlElements::elements(QStringView tag) const {
    static const std::vector<Element> none;
    const int k = tagIndex(tag);
    return k < 0 ? none : byTag_[size_t(k)];
}

bool XmlElements::has(QStringView tag) const {
    return !elements(tag).empty();
}

void XmlElements::attributes(const Element& e, std::initializer_list<QStringView> names,
                             std::optional<QStringView>* values) const {
    for (size_t k = 0; k < names.size(); ++k) values[k].reset();
    if (!e.closed || e.attributesBegin < 0) {
        // A start tag without its ">": how its last value ends may depend on
        // what follows the element, so it is scanned again within the
        // element's own text (as is one whose attributes were not kept).
        scan(text_.left(e.pos + e.len), e.nameEnd, names, values);
        return;
    }
    // Within a closed start tag the walk over the whole text read every
    // attribute as a scan of the element's own text does: nothing it looked
    // at lies past the ">".
    // Spans lie within the text: views are made without mid()'s clamping.
    const auto span = [this](int32_t begin, int32_t end) {
        return QStringView(text_.data() + begin, end - begin);
    };
    size_t missing = names.size();
    for (int32_t i = e.attributesBegin; i < e.attributesEnd && missing > 0; ++i) {
        const AttributeSpan& a = attributes_[size_t(i)];
        const QStringView attributeName = span(a.nameBegin, a.nameEnd);
        size_t k = 0;
        for (const QStringView name : names) {
            if (!values[k] && sameUnits(attributeName, name)) {
                values[k] = span(a.valueBegin, a.valueEnd);
                --missing;
            }
            ++k;
        }
    }
}

std::optional<QStringView> XmlElements::attribute(const Element& e, QStringView name) const {
    std::optional<QStringView> value;
    attributes(e, {name}, &value);
    return value;
}

std::optional<QStringView> XmlElements::firstAttribute(QStringView tag, QStringView name) const {
    const std::vector<Element>& list = elements(tag);
    std::optional<QStringView> value;
    if (!list.empty()) scan(text_, list.front().nameEnd, {name}, &value);
    return value;
}

void XmlElements::scan(QStringView scanned, int32_t from, std::initializer_list<QStringView> names,
                       std::optional<QStringView>* values) {
    const Scanner sc(scanned);
    size_t missing = names.size();
    for (size_t k = 0; k < names.size(); ++k) values[k].reset();
    sc.parseStartTag(from, [&](const Scanner::Attribute& a) {
        size_t k = 0;
        for (const QStringView name : names) {
            if (!values[k] && !name.isEmpty() && sc.equals(a.nameBegin, a.nameEnd, name)) {
                values[k] = scanned.mid(a.valueBegin, a.valueEnd - a.valueBegin);
                --missing;
            }
            ++k;
        }
        return missing == 0;
    });
}

}  // namespace vornix

namespace lumidex {

QString PickAttribute(const QString& text, const QString& tag, int32_t flags,
                      const QString& attribute) {
    int32_t pos = -1, len = 0;
    vornix::XMLPickAttribPosW(pos, len, text, tag, flags, attribute);
    return pos < 0 ? kPickError : text.mid(pos, len);
}

QString PickFullTag(const QString& text, const QString& tag, int32_t& runningPos, int32_t flags) {
    int32_t pos = -1, len = 0;
    vornix::XMLPickFullTagPosW(pos, len, text, tag, runningPos, flags);
    return pos < 0 ? kPickError : text.mid(pos, len);
}

}  // namespace lumidex
