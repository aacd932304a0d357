// The thumbnail cache's entry check on any bytes: the PNG header read before decoding, the entry
// decoded only when it is no larger than its folder's size, and its text keys compared with a
// file's. Whatever the bytes, no picture larger than the folder's size comes back.
#include "harness.h"
#include "platform/thumbcache.h"

#include <QBuffer>

using namespace vu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray input = fuzz::bytes(data, size);
    if (const std::optional<QSize> s = pngSize(input.left(24)))
        fuzz::require(s->width() > 0 && s->height() > 0, "a PNG header states a size");
    QBuffer buffer(&input);
    buffer.open(QIODevice::ReadOnly);
    const QImage entry = readThumbnailEntry(buffer, 128);
    if (entry.isNull())
        return 0;
    fuzz::require(entry.width() <= 128 && entry.height() <= 128, "an entry is no larger than its folder's size");
    QMap<QString, QString> texts;
    for (const QString& key : entry.textKeys())
        texts.insert(key, entry.text(key));
    const ThumbnailKey key{"file:///p/a.jpg", 1700000000, 4096, 1800000000};
    (void)entryDescribes(texts, key);
    return 0;
}
