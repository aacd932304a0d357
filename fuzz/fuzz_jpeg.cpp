// The JPEG decoder on any bytes, through its header reader and its reduced and turned paths: the
// bytes are the file, and its last byte also chooses the request (the size wanted, fitted or
// stretched, the EXIF preview or not), so that the seeds stay real files. Pictures are capped at a megapixel so that a
// run tries hundreds of inputs a second; whatever the bytes, a decoded picture is whole and in the format promised.
#include "harness.h"
#include "platform/jpegdecoder.h"

#include <sys/mman.h>
#include <unistd.h>

using namespace vu;

namespace {

constexpr qint64 MaxBytes = 4 * 1024 * 1024;

// The bytes as a file the decoder reads from its start.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : fd_(::memfd_create("fuzz.jpg", MFD_CLOEXEC))
    {
        fuzz::require(fd_ >= 0 && ::write(fd_, data, size) == ssize_t(size), "the input is written");
    }
    ~MemoryFile() { ::close(fd_); }
    int rewound() const { return ::lseek(fd_, 0, SEEK_SET) == 0 ? fd_ : -1; }

private:
    int fd_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint8_t choice = data[size - 1];
    MemoryFile file(data, size);
    const std::optional<jpeg::Header> header = jpeg::readHeader(file.rewound());
    if (header) {
        fuzz::require(header->orientation >= 1 && header->orientation <= 8, "a header's orientation is 1 to 8");
        fuzz::require(!header->stored.isEmpty(), "a header states a size");
    }
    static const QSize wanted[] = {QSize(), QSize(120, 90), QSize(128, 128), QSize(16, 16), QSize(1, 1),
        QSize(256, 256), QSize(640, 480), QSize(3, 2000)};
    jpeg::Request request;
    request.atLeast = wanted[choice & 7];
    request.fit = choice & 8;
    request.preview = choice & 16;
    request.maxBytes = MaxBytes;
    const PictureResult r = jpeg::decode(file.rewound(), QStringLiteral("fuzz.jpg"), request);
    if (!r.ok()) {
        fuzz::require(r.image.isNull(), "a failure has no picture");
        return 0;
    }
    fuzz::require(r.image.format() == QImage::Format_RGB32, "a picture is 32-bit RGB");
    fuzz::require(r.image.sizeInBytes() <= MaxBytes, "a picture stays within its bound");
    if (header && !request.preview)
        fuzz::require(r.natural == header->shown(), "the natural size is the header's, turned");
    return 0;
}
