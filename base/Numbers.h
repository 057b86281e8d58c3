#pragma once
// Number helpers shared by the whole program: rounding, the numeric test,
// the leading-numeric parse and number text. Every conversion of a real to
// an integer, every number read from a text box or a chart attribute and
// every number written into a chart goes through here.

#include <QString>
#include <QStringView>
#include <cstdint>

namespace lumidex {

// Rounds half to even ("banker's rounding"): 0.5 -> 0, 1.5 -> 2, -2.5 -> -2.
double roundHalfEven(double x);

// Rounded to a whole number (half to even) and checked against the range of
// the target type. Throws RuntimeError(Overflow) when the value (or NaN) does
// not fit, as an integer conversion of an out-of-range value does.
int32_t toInt32(double x);
int16_t toInt16(double x);
uint8_t toByte(double x);

// Rounds to 2 decimals with ties to even on the double's exact binary value,
// the way printf("%.2f") does: 0.125 -> 0.12, 0.375 -> 0.38, 2.675 -> 2.67
// (2.675 is slightly below 2.675 in binary).
double round2(double x);

// Number text: at most 15 significant digits, no trailing zeros, no trailing
// full stop, a full stop as decimal point, never an exponent, "0" for zero
// (negative zero included). 120 -> "120", 0.5 -> "0.5", 1/3 ->
// "0.333333333333333", 1e20 -> "100000000000000000000". Non-finite values
// (which no chart value can hold) give "0".
QString numberText(double x);

// The value the number text of x reads back as: x rounded to the 15
// significant digits numberText writes. A value kept this way is saved and
// reopened unchanged, bit for bit. Non-finite values give 0.
double fileValue(double x);

// numberText(round2(x)) with a fast path for the common case; identical
// results for every input.
QString round2Text(double x);
// Its fast path: the text of round2Text(x) in buf and its length, or 0 when
// x needs the slow path (numberText(round2(x))).
int round2Chars(double x, char (&buf)[32]);

// The numeric test: optional blanks, an optional sign, digits with at most
// one full stop (at least one digit), an optional exponent (e or E, an
// optional sign, at least one digit), optional blanks; nothing else.
// "", ".", "1e", "1,5", "0x10" and "12abc" are not numeric.
bool isNumeric(QStringView text);
inline bool isNumeric(const QString& text) {
    return isNumeric(QStringView(text));
}

// The leading-numeric parse: skips leading blanks, takes an optional sign and
// the longest numeric prefix (digits, one full stop, an exponent only when
// digits follow it); 0 when there is none. "12abc" -> 12, " -1.5e2x" -> -150,
// "1e" -> 1, "abc" -> 0. Throws RuntimeError(Overflow) when the number is too
// large for a double ("1e999"). Gives the double strtod gives, bit for bit.
double val(QStringView text);
inline double val(const QString& text) {
    return val(QStringView(text));
}

}  // namespace lumidex
