#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer {

// Numbers shown to the host and read back from controls always go through these, so a total
// written by one window reads back the same in the next.

// Whole values as plain digits; other values with at most 15 significant digits, plain
// decimal, trailing zeros removed (0.1 + 0.2 reads "0.3"). Never an exponent or grouping.
QString to_text(double value);

// The longest leading decimal number after leading blanks; 0 when there is none.
// No hexadecimal, infinity, NaN or locale. Values beyond the double range saturate.
double to_number(const QString& text);

// to_number, truncated toward zero and clamped to the signed 32-bit range.
int to_int(const QString& text);

// The pieces in order, empty pieces kept; the empty text gives no pieces. With
// max_pieces > 0 the last piece keeps the rest of the text, separators included.
QStringList split(const QString& text, const QString& separator, int max_pieces = 0);

// Every occurrence, left to right, without re-scanning replaced text. An empty find
// text changes nothing.
QString replace(const QString& text, const QString& find, const QString& with);

// Everything that crosses the program's edge (files, downloaded pages) is GBK.
QString from_gbk(const QByteArray& bytes);
QByteArray to_gbk(const QString& text);
// Whether GBK can hold the text: it encodes and decodes back unchanged.
bool gbk_holds(const QString& text);
// Whether the bytes are GBK throughout (they decode and encode back unchanged), and whether
// they are valid UTF-8.
bool is_gbk(const QByteArray& bytes);
bool is_utf8(const QByteArray& bytes);

// A total for the stream: below 10000 as written; from 1万 (10^4) below 1亿 (10^8) in 万,
// from there on in 亿, with at most two decimals, cut rather than rounded (so 19999 is 1.99万,
// never an overstated 2万) and without trailing zeros. Texts that are not plain decimal
// numbers are given back unchanged.
QString readable_amount(const QString& amount);

} // namespace glimmer
