// Text conversion to and from code page 932 (the "windows-31j" table, in which 0x5C stays a
// backslash rather than becoming a yen sign).
#pragma once

#include <QByteArray>
#include <QString>

namespace vu::cp932 {

// Characters the code page cannot represent become "?".
QByteArray encode(const QString& text);
// Invalid byte sequences decode to U+FFFD.
QString decode(const QByteArray& bytes);
// Cuts encoded text to at most `width` bytes without splitting a double-byte character.
QByteArray cutToWidth(const QByteArray& encoded, qsizetype width);
// True when `byte` starts a double-byte character.
bool isLeadByte(unsigned char byte);

}  // namespace vu::cp932
