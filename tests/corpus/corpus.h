// The damaged-picture corpus: small valid BMP, GIF, JPEG and icon files written by hand (and the
// shipped test pictures), and a deterministic set of damaged variants made from them.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <cstdint>

namespace vu::corpus {

// The seed of the corpus every robustness test runs: the same variants on every run.
inline constexpr std::uint64_t CorpusSeed = 20260101;

// A small fast generator whose sequence is the same on every machine and compiler.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed)
    {
    }
    std::uint64_t next();
    // A number in [0, bound); bound > 0.
    int below(int bound) { return int(next() % std::uint64_t(bound)); }

private:
    std::uint64_t state_;
};

struct Seed {
    QString name;  // for example "bmp-rle4"; the variants' names start with it
    QString suffix;  // the extension the file is written with
    QByteArray bytes;
    QSize shown;  // the size the program shows it at, orientation applied
    QImage expected;  // for lossless formats the exact picture; null otherwise
};

struct Variant {
    QString name;  // unique, usable as a file name
    QByteArray bytes;
};

// The pictures the tests write by hand, one per kind: BMP of 1, 4, 8, 16, 24 and 32 bits, with
// bit fields, top-down and RLE4/RLE8; GIF static, animated and interlaced; JPEG baseline,
// progressive and with EXIF orientations; icons of several sizes with PNG-compressed entries.
QList<Seed> generatedSeeds();
// The shipped test pictures below tests/data (sorted by path), each as a seed without an
// expected picture.
QList<Seed> shippedSeeds();

// The damaged variants of the seeds, the same on every run for one `seed` value: truncations,
// bit flips, overwritten header fields (huge or zero sizes, wrong palette sizes, bad offsets,
// bad segment lengths), and a few foreign files (empty, PNG, text, random bytes).
QList<Variant> damagedVariants(const QList<Seed>& seeds, std::uint64_t seed);

// Files of a few kilobytes whose headers claim 100 megapixels and more, within the allocation
// limit, one of each coding: BMP plain and RLE8, GIF, JPEG baseline and progressive (and one
// turned by EXIF), icons holding such a PNG or BMP.
QList<Variant> overclaimingPictures();

// Pieces the generators use, open for the tests of the generators themselves.
QByteArray bmpFile(const QImage& picture, int bits, bool topDown = false);
QByteArray bmpRleFile(const QImage& picture, int bits);  // bits 4 or 8, 16 colours at most
QByteArray jpegFile(const QImage& picture, bool progressive, int exifOrientation = 0);
QByteArray icoFile(const QList<QImage>& pictures, const QList<bool>& png);
// A picture with a photo's smooth colours and fine grain, which compresses as a photo does.
QImage grainyPhoto(QSize size);
// The 16-colour picture the BMP and GIF seeds show (lossless at every bit depth from 4 up).
QImage sixteenColourPicture(QSize size);

}  // namespace vu::corpus
