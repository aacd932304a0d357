#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace vu::cp932 {

bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

QByteArray encode(const QString& text)
{
    QStringEncoder encoder("windows-31j", QStringEncoder::Flag::Stateless);
    QByteArray whole = encoder.encode(text);
    if (!encoder.hasError())
        return whole;
    // Encode character by character so that each one the table lacks becomes "?" instead of
    // the converter's own substitute, which is a real (and misleading) character.
    QByteArray out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder one("windows-31j", QStringEncoder::Flag::Stateless);
        QByteArray bytes = one.encode(QStringView(text).mid(i, len));
        out += one.hasError() ? QByteArray("?") : bytes;
        i += len;
    }
    return out;
}

QString decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    // The converter maps invalid sequences to a control character; decode by hand around
    // them so that damaged bytes show as U+FFFD and never as something plausible.
    QStringDecoder decoder("windows-31j", QStringDecoder::Flag::Stateless);
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        qsizetype len = 1;
        bool valid = true;
        if (isLeadByte(b)) {
            if (i + 1 >= bytes.size()) {
                valid = false;
            } else {
                const auto t = static_cast<unsigned char>(bytes.at(i + 1));
                valid = t >= 0x40 && t <= 0xFC && t != 0x7F;
                if (valid)
                    len = 2;
            }
        } else if (b == 0x80 || b == 0xA0 || b >= 0xFD) {
            valid = false;
        }
        if (!valid) {
            out += QChar(QChar::ReplacementCharacter);
            ++i;
            continue;
        }
        const QString piece = decoder.decode(QByteArrayView(bytes.constData() + i, len));
        if (decoder.hasError() || piece.isEmpty() || (len == 2 && piece == QStringLiteral("\x1a")))
            out += QChar(QChar::ReplacementCharacter);
        else
            out += piece;
        decoder.resetState();
        i += len;
    }
    return out;
}

QByteArray cutToWidth(const QByteArray& encoded, qsizetype width)
{
    if (encoded.size() <= width)
        return encoded;
    qsizetype end = 0;
    while (end < width) {
        const qsizetype step = isLeadByte(static_cast<unsigned char>(encoded.at(end))) ? 2 : 1;
        if (end + step > width)
            break;
        end += step;
    }
    return encoded.left(end);
}

}  // namespace vu::cp932
