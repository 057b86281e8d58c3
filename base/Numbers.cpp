#include "Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "RuntimeError.h"

namespace lumidex {

double roundHalfEven(double x) {
    // nearbyint follows the current rounding mode, which is round-to-nearest-
    // even unless somebody changed it; std::remainder-free and exact.
    return std::nearbyint(x);
}

namespace {

template <class T>
T toIntegral(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max())))
        throw RuntimeError(rterr::Overflow);
    return static_cast<T>(r);
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the numeric body starting at i (digits with at most one full
// stop, at least one digit, then an exponent only when it has digits).
// 0 when there is no digit.
qsizetype numericBody(QStringView s, qsizetype i) {
    const qsizetype start = i;
    qsizetype digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-'))) ++j;
        const qsizetype expStart = j;
        while (j < s.size() && isDigit(s[j])) ++j;
        if (j > expStart) i = j;
    }
    return i - start;
}

// Plain decimal text of an exact decimal given as digits and the power of
// ten of its first digit: ("15", 1) -> "15", ("5", -1) -> "0.5".
QString placeDecimalPoint(const std::string& digits, int exp10, bool negative) {
    std::string out;
    if (negative) out += '-';
    const int n = static_cast<int>(digits.size());
    if (exp10 < 0) {
        out += "0.";
        out.append(static_cast<size_t>(-exp10 - 1), '0');
        out += digits;
    } else if (exp10 + 1 >= n) {
        out += digits;
        out.append(static_cast<size_t>(exp10 + 1 - n), '0');
    } else {
        out += digits.substr(0, static_cast<size_t>(exp10 + 1));
        out += '.';
        out += digits.substr(static_cast<size_t>(exp10 + 1));
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

// The value of a plain decimal of at most 15 digits and 22 decimals
// ("150", "12.5"), the common case, without a general parse: its digits as
// an integer m and 10^k are both exact doubles, so m / 10^k is the correctly
// rounded quotient, the double strtod gives. nullopt for any other form.
constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

std::optional<double> shortDecimal(QStringView body) {
    int64_t m = 0;
    int digits = 0, decimals = -1;
    for (const QChar c : body) {
        if (c == QLatin1Char('.')) {
            decimals = 0;
            continue;
        }
        if (!isDigit(c) || ++digits > 15) return std::nullopt;  // an exponent, or too long
        m = m * 10 + (c.unicode() - u'0');
        if (decimals >= 0) ++decimals;
    }
    if (decimals > 22) return std::nullopt;
    return decimals > 0 ? double(m) / kPowers[decimals] : double(m);
}

// The chart's common case in one pass: the text starts with at most 15
// digits and one point, and what follows cannot extend the number (no
// exponent). The same double as the general path; nullopt for anything else.
std::optional<double> plainDecimal(QStringView text) {
    int64_t m = 0;
    int digits = 0, decimals = -1;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            if (++digits > 15) return std::nullopt;
            m = m * 10 + (c.unicode() - u'0');
            if (decimals >= 0) ++decimals;
        } else if (c == QLatin1Char('.') && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E')))
        return std::nullopt;
    return decimals > 0 ? double(m) / kPowers[decimals] : double(m);
}

}  // namespace

int32_t toInt32(double x) {
    return toIntegral<int32_t>(x);
}
int16_t toInt16(double x) {
    return toIntegral<int16_t>(x);
}
uint8_t toByte(double x) {
    return toIntegral<uint8_t>(x);
}

double round2(double x) {
    if (!std::isfinite(x)) return x;
    // printf rounds the exact binary value to nearest, ties to even.
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.2f", x);
    return std::strtod(buf, nullptr);
}

QString numberText(double x) {
    if (!std::isfinite(x) || x == 0) return QStringLiteral("0");
    const bool negative = std::signbit(x);
    // The shortest digits that read back as x. With at most 15 of them they
    // are also the 15-digit rounding of x (without its trailing zeros): the
    // 15-digit grid is coarser than the doubles, so the nearest point of it
    // to x is the one x reads back from.
    char sci[32];
    const char* end =
        std::to_chars(sci, sci + sizeof sci, std::fabs(x), std::chars_format::scientific).ptr;
    std::string digits;
    const char* p = sci;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    if (digits.size() <= 15 && p < end) {
        const char* exponent = p + 1 < end && p[1] == '+' ? p + 2 : p + 1;
        int exp10 = 0;
        std::from_chars(exponent, end, exp10);
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        return placeDecimalPoint(digits, exp10, negative);
    }
    // Otherwise 15 significant digits in scientific form, then written out plainly.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    digits.assign(1, buf[0]);
    const char* q = buf + 2;  // after "d."
    while (*q != 'e') digits += *q++;
    const int exp10 = std::atoi(q + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return placeDecimalPoint(digits, exp10, negative);
}

double fileValue(double x) {
    if (!std::isfinite(x)) return 0;
    // When the shortest digits that read back as x number at most 15, they
    // are x's 15-digit rounding (as numberText explains): x is its own value.
    char sci[32];
    const char* end = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific).ptr;
    int digits = 0;
    for (const char* p = sci; p < end && *p != 'e'; ++p) digits += *p >= '0' && *p <= '9';
    if (digits <= 15) return x;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", x);
    return std::strtod(buf, nullptr);
}

int round2Chars(double x, char (&buf)[32]) {
    // When x * 100 is not close to a half-way point, the exact decimal
    // rounding of x is n / 100 for n = nearest(x * 100), and n / 100 with at
    // most 13 digits prints back as exactly those digits.
    const double y = x * 100.0;
    if (!(std::fabs(y) < 1e12)) return 0;
    const double n = std::nearbyint(y);
    if (!(std::fabs(y - n) < 0.4999)) return 0;
    const long long v = static_cast<long long>(n);
    if (v == 0) {
        buf[0] = '0';
        return 1;
    }
    char* end = buf;
    if (v < 0) *end++ = '-';
    const long long a = v < 0 ? -v : v;
    end = std::to_chars(end, buf + sizeof buf, a / 100).ptr;
    const int cents = static_cast<int>(a % 100);
    if (cents != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + cents / 10);
        if (cents % 10 != 0) *end++ = static_cast<char>('0' + cents % 10);
    }
    return static_cast<int>(end - buf);
}

QString round2Text(double x) {
    char buf[32];
    const int length = round2Chars(x, buf);
    return length > 0 ? QString::fromLatin1(buf, length) : numberText(round2(x));
}

bool isNumeric(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    const qsizetype body = numericBody(text, i);
    if (body == 0) return false;
    i += body;
    while (i < n && isBlank(text[i])) ++i;
    return i == n;
}

double val(QStringView text) {
    if (const std::optional<double> v = plainDecimal(text)) return *v;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    const bool negative = i < n && text[i] == QLatin1Char('-');
    if (i < n && (negative || text[i] == QLatin1Char('+'))) ++i;
    const qsizetype body = numericBody(text, i);
    if (body == 0) return 0;
    if (const std::optional<double> v = shortDecimal(text.mid(i, body))) return negative ? -*v : *v;
    // from_chars reads the same decimal forms as strtod and rounds them
    // correctly, as glibc's strtod does; it takes a minus sign but no plus.
    std::string spill;
    char local[64];
    char* chars = local;
    const qsizetype length = body + (negative ? 1 : 0);
    if (length > qsizetype(sizeof local)) {
        spill.resize(size_t(length));
        chars = spill.data();
    }
    qsizetype k = 0;
    if (negative) chars[k++] = '-';
    for (qsizetype j = i; j < i + body; ++j) chars[k++] = char(text[j].unicode());
    double v = 0;
    const std::from_chars_result r = std::from_chars(chars, chars + k, v);
    if (r.ec != std::errc()) {
        // Beyond the range of a double: strtod's infinity, or its underflow
        // to a subnormal or zero.
        const std::string terminated(chars, size_t(k));
        v = std::strtod(terminated.c_str(), nullptr);
    }
    if (std::isinf(v)) throw RuntimeError(rterr::Overflow);
    return v;
}

}  // namespace lumidex
