// The BMP and icon normaliser followed by Qt's reader, as the picture loaders use them: any BMP
// or icon bytes whose header the header check believes are rewritten where Qt would draw them
// wrong, then read for their size and for their pixels. Pictures are capped at a megapixel so
// that a run tries hundreds of inputs a second.
#include "harness.h"
#include "platform/pictureheader.h"
#include "platform/picturenormaliser.h"

#include <QBuffer>
#include <QImageReader>

using namespace vu;

namespace {

constexpr qint64 MaxBytes = 4 * 1024 * 1024;

void readAs(const QByteArray& input, Need need)
{
    QByteArray bytes = input;
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const NormalisedPicture n = normalisePicture(file, MaxBytes, need);
    fuzz::require(file.pos() == 0, "the normaliser leaves the file at its start");
    if (n.kind == NormalisedPicture::Kind::Refused) {
        fuzz::require(!n.why.isEmpty(), "a refusal says why");
        return;
    }
    fuzz::require(n.kind != NormalisedPicture::Kind::Rewritten || !n.bytes.isEmpty(), "a rewritten file has bytes");
    fuzz::require(n.bytes.size() <= MaxBytes + 64 * 1024 * 1024, "a rewritten file stays within its bound");
    QByteArray rewritten = n.bytes;
    QBuffer buffer(&rewritten);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(n.kind == NormalisedPicture::Kind::Rewritten ? static_cast<QIODevice*>(&buffer) : &file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (need == Need::Size || !reader.canRead() || qint64(size.width()) * std::abs(size.height()) > MaxBytes / 4)
        return;
    QImage image;
    if (!reader.read(&image))
        return;
    completePalette(image);
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono)
        fuzz::require(image.colorCount() == 1 << image.depth(), "every index has a colour");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool limited = (QImageReader::setAllocationLimit(MaxBytes / (1024 * 1024)), true);
    (void)limited;
    const QByteArray input = fuzz::bytes(data, size);
    const bool bmp = input.startsWith("BM");
    const bool icon
        = input.startsWith(QByteArrayLiteral("\0\0\1\0")) || input.startsWith(QByteArrayLiteral("\0\0\2\0"));
    if (!bmp && !icon)
        return 0;
    // As the loaders do: a header claiming more than the file can hold is refused before this.
    QByteArray claimed = input;
    QBuffer buffer(&claimed);
    buffer.open(QIODevice::ReadOnly);
    if (const std::optional<PictureClaim> claim = readPictureClaim(buffer); claim && !claim->plausible())
        return 0;
    readAs(input, Need::Size);
    readAs(input, Need::Pixels);
    return 0;
}
