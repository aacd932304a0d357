// Numbers read from the bytes of a file format (BMP, icon and TIFF headers, EXIF blocks) at an
// offset, in either byte order. A read that would run past the end gives 0; `within` tells
// such a read apart where 0 is a meaningful value.
#pragma once

#include <QByteArray>

namespace vu::bytes {

// Whether `count` bytes from `at` lie inside `b`.
inline bool within(const QByteArray& b, qsizetype at, qsizetype count)
{
    return at >= 0 && count >= 0 && at <= b.size() - count;
}

// Bytes are read one by one: a byte past the end reads as 0. (Reading whole words from the
// array lets GCC's bounds analysis, under the sanitizers' instrumentation, take the shared empty
// array for the data and refuse to compile.)
inline quint32 byteAt(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at < b.size() ? quint32(static_cast<unsigned char>(b.at(at))) : 0u;
}

inline quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(byteAt(b, at) | byteAt(b, at + 1) << 8);
}
inline quint32 le32(const QByteArray& b, qsizetype at)
{
    return byteAt(b, at) | byteAt(b, at + 1) << 8 | byteAt(b, at + 2) << 16 | byteAt(b, at + 3) << 24;
}
inline quint16 be16(const QByteArray& b, qsizetype at)
{
    return quint16(byteAt(b, at) << 8 | byteAt(b, at + 1));
}
inline quint32 be32(const QByteArray& b, qsizetype at)
{
    return byteAt(b, at) << 24 | byteAt(b, at + 1) << 16 | byteAt(b, at + 2) << 8 | byteAt(b, at + 3);
}

// Either order, as a TIFF structure's "II" or "MM" chooses.
inline quint16 u16(const QByteArray& b, qsizetype at, bool bigEndian)
{
    return bigEndian ? be16(b, at) : le16(b, at);
}
inline quint32 u32(const QByteArray& b, qsizetype at, bool bigEndian)
{
    return bigEndian ? be32(b, at) : le32(b, at);
}

}  // namespace vu::bytes
