// The header check: what a BMP, GIF, JPEG or icon header claims, on any bytes. Headers claiming
// up to 2^31 x 2^31 pixels must give a claim whose figures are sizes (no wrapped arithmetic),
// and the device must be left where it was.
#include "harness.h"
#include "platform/pictureheader.h"

#include <QBuffer>

using namespace vu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray input = fuzz::bytes(data, size);
    QBuffer buffer(&input);
    buffer.open(QIODevice::ReadOnly);
    const qint64 at = std::min<qint64>(3, input.size());
    buffer.seek(at);
    if (const std::optional<PictureClaim> claim = readPictureClaim(buffer)) {
        fuzz::require(claim->size.width() > 0 && claim->size.height() > 0, "a claim has a size");
        fuzz::require(claim->leastDataBytes >= 0 && claim->dataBytes >= 0, "a claim's byte counts are sizes");
        (void)claim->plausible();
    }
    fuzz::require(buffer.pos() == at, "the device is left where it was");
    for (const qint64 header : {qint64(14), qint64(6 + 16)}) {
        if (const std::optional<BmpInfo> info = readBmpInfo(buffer, header))
            fuzz::require(info->headerSize >= 12 && info->headerSize <= 124, "a BMP header has a known size");
    }
    return 0;
}
