// The picture service on its own: JPEGs decoded by libjpeg-turbo exactly as Qt's reader decodes
// them, embedded previews, first views, files that are no regular files, BMPs and icons drawn as
// ImageMagick draws them; and the desktop's shared thumbnail cache, read and written the way the
// desktop's other programs read and write it.
#include "platform/jpegdecoder.h"
#include "platform/pictures.h"
#include "platform/testing/fixtures.h"
#include "platform/thumbcache.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QDateTime>
#include <QDirIterator>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vu;
using namespace vu::testing;

namespace {

// A picture whose quarters differ, so that a turn or a mirror shows.
QImage quarters(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width() / 2, h = size.height() / 2;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb c = y < h ? (x < w ? qRgb(220, 30, 30) : qRgb(30, 200, 40))
                                 : (x < w ? qRgb(30, 40, 210) : qRgb(240, 240, 60));
            image.setPixel(x, y, qRgb(qRed(c) ^ (x & 7), qGreen(c) ^ (y & 7), qBlue(c)));
        }
    }
    return image;
}

QImage solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Dated an hour back, as pictures on a disk are: the cache then takes entries of it.
void age(const QString& path, int seconds = 3600)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime));
}

// The mean absolute difference of two pictures over their premultiplied channels, 0 to 1.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (x.size() != y.size() || x.isNull())
        return 1.0;
    double sum = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            sum += std::abs(qRed(p[c]) - qRed(q[c])) + std::abs(qGreen(p[c]) - qGreen(q[c]))
                + std::abs(qBlue(p[c]) - qBlue(q[c])) + std::abs(qAlpha(p[c]) - qAlpha(q[c]));
        }
    }
    return sum / (4.0 * 255 * x.width() * x.height());
}

// ImageMagick's picture of a file (its first), or null.
QImage imageMagick(const QString& path)
{
    QProcess convert;
    convert.start(QStringLiteral("convert"), {path + QStringLiteral("[0]"), QStringLiteral("png:-")});
    if (!convert.waitForFinished(60000))
        return QImage();
    return QImage::fromData(convert.readAllStandardOutput(), "png");
}

// Runs the freedesktop cache reader and writer of tests/support (Python, none of this program's
// code) with `arguments`; its exit status, its output in `out`.
int otherProgram(const QStringList& arguments, QString* out)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(VUTARA_OTHER_CACHE_PROGRAM)} + arguments);
    if (!p.waitForFinished(60000))
        return -1;
    *out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// A BMP file with a 40-byte header: `width` x `height` pixels of `bits`, the `palette` (its
// length stated) and the pixel data as given, coded with `compression` (1 RLE8, 2 RLE4).
QByteArray bmpBytes(
    int width, int height, int bits, const QList<QRgb>& palette, const QByteArray& pixels, int compression = 0)
{
    QByteArray header(54, '\0');
    const qsizetype pixelsAt = 54 + 4 * palette.size();
    auto put = [&header](int at, quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header[at + i] = char(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put(2, quint32(pixelsAt + pixels.size()), 4);
    put(10, quint32(pixelsAt), 4);
    put(14, 40, 4);
    put(18, quint32(width), 4);
    put(22, quint32(height), 4);
    put(26, 1, 2);
    put(28, quint32(bits), 2);
    put(30, quint32(compression), 4);
    put(46, quint32(palette.size()), 4);
    std::string colours;
    for (const QRgb c : palette)
        colours += {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), '\0'};
    return header + QByteArray::fromStdString(colours) + pixels;
}

}  // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void init() { cwd_ = std::make_unique<TempCwd>(); }
    void cleanup() { cwd_.reset(); }

    // JPEG decoding.
    void jpegsDecodeAsQtDecodesThem_data();
    void jpegsDecodeAsQtDecodesThem();
    void exifBlocks_data();
    void exifBlocks();
    void embeddedPreviews_data();
    void embeddedPreviews();
    void firstViews();
    // Files.
    void nonRegularFilesAreRefusedAtOnce_data();
    void nonRegularFilesAreRefusedAtOnce();
    void drawnAsImageMagickDraws_data();
    void drawnAsImageMagickDraws();
    void sameWhateverCameBefore();
    void missingPixelsHaveOneColour_data();
    void missingPixelsHaveOneColour();
    // The shared thumbnail cache.
    void uris_data();
    void uris();
    void sides_data();
    void sides();
    void entryDescribes_data();
    void entryDescribes();
    void entriesAreReadByOtherReaders();
    void entriesWrittenByOthersAreUsed_data();
    void entriesWrittenByOthersAreUsed();
    void freshFilesAndTheCacheItselfGetNoEntries();
    void onlyTrustedFoldersAreUsed_data();
    void onlyTrustedFoldersAreUsed();

private:
    QString file(const QString& name) const { return cwd_->file(name); }
    QString writeJpeg(const QString& name, const QByteArray& bytes) const
    {
        writeBytes(file(name), bytes);
        return file(name);
    }

    std::unique_ptr<TempCwd> cwd_;
    QtPictures pictures_;
};

void TestPictures::jpegsDecodeAsQtDecodesThem_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("orientation");
    // A large picture goes through the band turned on another core.
    for (const QSize size : {QSize(301, 203), QSize(2000, 1504)}) {
        for (int o = 1; o <= 8; ++o) {
            QTest::addRow("%dx%d, orientation %d", size.width(), size.height(), o)
                << size << QStringLiteral("colour") << o;
        }
    }
    QTest::newRow("grey") << QSize(301, 203) << "grey" << 6;
    QTest::newRow("progressive") << QSize(301, 203) << "progressive" << 8;
    QTest::newRow("CMYK (Adobe)") << QSize(301, 203) << "cmyk" << 1;
    QTest::newRow("CMYK, turned") << QSize(640, 480) << "cmyk" << 6;
}

// The decoder writes straight into the painted format, orientation applied row by row: the
// result is Qt's own reader's, pixel for pixel, for every orientation and colour model.
void TestPictures::jpegsDecodeAsQtDecodesThem()
{
    QFETCH(QSize, size);
    QFETCH(QString, kind);
    QFETCH(int, orientation);
    QImage picture = quarters(size);
    if (kind == QStringLiteral("grey"))
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setProgressiveScanWrite(kind == QStringLiteral("progressive"));
    QVERIFY(writer.write(picture));
    QString path = writeJpeg(QStringLiteral("p.jpg"), withExif(buffer.data(), orientation));
    if (kind == QStringLiteral("cmyk")) {
        if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
            QSKIP("ImageMagick makes the CMYK file");
        const QString cmyk = file(QStringLiteral("cmyk.jpg"));
        QCOMPARE(QProcess::execute(
                     QStringLiteral("convert"), {path, QStringLiteral("-colorspace"), QStringLiteral("CMYK"), cmyk}),
            0);
        path = cmyk;
    }
    QImageReader qt(path);
    qt.setAutoTransform(true);
    const QImage expected = qt.read().convertToFormat(QImage::Format_RGB32);
    QVERIFY(!expected.isNull());
    const PictureResult r = pictures_.load(path);
    QVERIFY2(r.ok(), qPrintable(r.detail));
    QCOMPARE(r.image.format(), QImage::Format_RGB32);
    QCOMPARE(r.image.size(), expected.size());
    QVERIFY(r.image == expected);
    QCOMPARE(pictures_.naturalSize(path), std::optional<QSize>(expected.size()));
    const PictureResult thumb = pictures_.loadScaled(path, QSize(120, 90));
    QVERIFY(thumb.ok());
    QCOMPARE(thumb.image.size(), QSize(120, 90));
}

void TestPictures::exifBlocks_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QByteArray>("preview");
    const QByteArray jpeg = jpegBytes(solid(QSize(8, 8), Qt::red));
    const QByteArray preview = jpegBytes(solid(QSize(16, 12), Qt::green));
    // The EXIF block of a file made by the fixtures: the APP1 segment's data.
    auto block = [](const QByteArray& file) { return file.mid(6, (uchar(file[4]) << 8 | uchar(file[5])) - 2); };
    QTest::newRow("big-endian, turned") << block(withExif(jpeg, 6)) << 6 << QByteArray();
    QTest::newRow("with a preview") << block(withExif(jpeg, 8, preview)) << 8 << preview;
    QTest::newRow("a preview, no orientation") << block(withExif(jpeg, 0, preview)) << 0 << preview;
    // Little-endian: one entry, orientation 3, no further directory.
    const QByteArray intel("Exif\0\0II\x2a\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x03\0\0\0\0\0\0\0", 32);
    QTest::newRow("little-endian") << intel << 3 << QByteArray();
    QByteArray longType = intel;
    longType[18] = 4;  // LONG instead of SHORT: Qt's reader never took it
    QTest::newRow("orientation of the wrong type") << longType << 0 << QByteArray();
    QByteArray nine = intel;
    nine[22] = 9;
    QTest::newRow("orientation 9") << nine << 0 << QByteArray();
    QByteArray cut = block(withExif(jpeg, 1, preview));
    cut.chop(10);
    QTest::newRow("preview running past the block") << cut << 1 << QByteArray();
    QTest::newRow("not EXIF") << QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 33) << 0 << QByteArray();
}

void TestPictures::exifBlocks()
{
    QFETCH(QByteArray, block);
    QFETCH(int, orientation);
    QFETCH(QByteArray, preview);
    const jpeg::Exif exif = jpeg::parseExif(block);
    QCOMPARE(exif.orientation, orientation);
    QCOMPARE(block.mid(exif.previewOffset, exif.previewLength), preview);
}

void TestPictures::embeddedPreviews_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("preview");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("bound");  // the cache entry's size
    QTest::addColumn<bool>("used");
    const QSize cell1x(128, 128), cell2x(256, 256);
    QTest::newRow("camera photo: its preview") << QSize(640, 480) << QSize(160, 120) << "plain" << 1 << cell1x << true;
    QTest::newRow("portrait photo: the preview turned")
        << QSize(640, 480) << QSize(160, 120) << "plain" << 6 << cell1x << true;
    QTest::newRow("3:2 photo, 3:2 preview") << QSize(600, 400) << QSize(160, 107) << "plain" << 1 << cell1x << true;
    // Cameras writing 16:9 photos keep a 4:3 preview with black bands.
    QTest::newRow("16:9 photo, banded 4:3 preview")
        << QSize(640, 360) << QSize(160, 120) << "banded" << 1 << cell1x << false;
    // An editor cropped the photo and left the old preview behind.
    QTest::newRow("cropped photo, stale preview")
        << QSize(600, 400) << QSize(160, 120) << "plain" << 1 << cell1x << false;
    QTest::newRow("preview smaller than the cell at 2x")
        << QSize(640, 480) << QSize(160, 120) << "plain" << 1 << cell2x << false;
    QTest::newRow("preview that does not decode")
        << QSize(640, 480) << QSize(160, 120) << "garbage" << 1 << cell1x << false;
}

// A JPEG's EXIF preview stands in for the picture in a thumbnail only when it is at least the
// size wanted, has the picture's proportions within 1 % and decodes; it is turned as the
// picture is. The picture is blue and its preview green, so the thumbnail tells which was used.
void TestPictures::embeddedPreviews()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, preview);
    QFETCH(QString, kind);
    QFETCH(int, orientation);
    QFETCH(QSize, bound);
    QFETCH(bool, used);
    QImage small = solid(preview, QColor(20, 220, 40));
    if (orientation == 6) {
        for (int y = 0; y < preview.height(); ++y)
            for (int x = 0; x < preview.width() / 2; ++x)
                small.setPixel(x, y, qRgb(230, 20, 20));  // left half red: the top once turned
    }
    if (kind == QStringLiteral("banded")) {
        for (int y = 0; y < preview.height() / 8; ++y)
            for (int x = 0; x < preview.width(); ++x) {
                small.setPixel(x, y, qRgb(0, 0, 0));
                small.setPixel(x, preview.height() - 1 - y, qRgb(0, 0, 0));
            }
    }
    QByteArray previewBytes = jpegBytes(small, 90);
    if (kind == QStringLiteral("garbage"))
        previewBytes = QByteArray("\xFF\xD8\xFF\xDB", 4) + QByteArray(600, '\x11');
    const QString path = writeJpeg(QStringLiteral("photo.jpg"),
        withExif(jpegBytes(solid(stored, QColor(30, 40, 220))), orientation, previewBytes));
    const QSize natural = jpeg::orientedSize(stored, orientation);
    const PictureResult r = pictures_.loadFitted(path, bound);
    QVERIFY2(r.ok(), qPrintable(r.detail));
    QCOMPARE(r.natural, natural);
    QCOMPARE(r.image.size(), fittedSize(natural, bound));
    const QColor centre = r.image.pixelColor(r.image.width() / 2, r.image.height() / 2);
    QCOMPARE(centre.green() > 150 && centre.blue() < 100, used);
    QCOMPARE(centre.blue() > 150, !used);
    if (used && orientation == 6) {
        const QColor top = r.image.pixelColor(r.image.width() / 2, 2);
        QVERIFY2(top.red() > 150 && top.green() < 100, qPrintable(top.name()));
    }
}

// A large picture's first view comes at once: the thumbnail at hand when it is the picture's,
// else the decoder's reduction to an eighth; a small picture comes whole; a header that load()
// would refuse is refused.
void TestPictures::firstViews()
{
    const QString large = writeJpeg(QStringLiteral("large.jpg"), jpegBytes(quarters(QSize(2400, 1600))));
    PictureResult r = pictures_.loadFirstView(large, QImage());
    QVERIFY(r.ok());
    QCOMPARE(r.natural, QSize(2400, 1600));
    QCOMPARE(r.image.size(), QSize(300, 200));
    const QImage thumbnail = solid(QSize(256, 171), Qt::magenta);
    r = pictures_.loadFirstView(large, thumbnail);
    QCOMPARE(r.natural, QSize(2400, 1600));
    QCOMPARE(r.image.size(), thumbnail.size());
    QCOMPARE(r.image.pixelColor(10, 10), QColor(Qt::magenta));
    r = pictures_.loadFirstView(large, solid(QSize(256, 256), Qt::magenta));  // another picture's
    QCOMPARE(r.image.size(), QSize(300, 200));

    const QString small = writeJpeg(QStringLiteral("small.jpg"), jpegBytes(quarters(QSize(800, 600))));
    r = pictures_.loadFirstView(small, solid(QSize(128, 96), Qt::magenta));
    QCOMPARE(r.image.size(), QSize(800, 600));
    QCOMPARE(r.natural, QSize(800, 600));

    // 20000 x 20000 pixels claimed: 1.6 GB decoded.
    QByteArray bomb = jpegBytes(quarters(QSize(16, 16)));
    const qsizetype sof = bomb.indexOf(QByteArray("\xFF\xC0", 2));
    for (int i : {5, 7}) {
        bomb[sof + i] = char(20000 >> 8);
        bomb[sof + i + 1] = char(20000 & 0xFF);
    }
    r = pictures_.loadFirstView(writeJpeg(QStringLiteral("bomb.jpg"), bomb), thumbnail);
    QCOMPARE(r.error, err::OutOfMemory);
    QVERIFY(r.image.isNull());
    r = pictures_.loadFirstView(file(QStringLiteral("gone.jpg")), QImage());
    QCOMPARE(r.error, err::FileNotFound);
}

void TestPictures::nonRegularFilesAreRefusedAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO named .jpg") << "fifo";
    QTest::newRow("folder named .jpg") << "folder";
    QTest::newRow("link to a device named .bmp") << "device";
}

// A FIFO named like a picture would hold an ordinary open until something writes to it: every
// loader refuses it at once, as it does folders and devices.
void TestPictures::nonRegularFilesAreRefusedAtOnce()
{
    QFETCH(QString, kind);
    const QString path = file(QStringLiteral("x.jpg"));
    if (kind == QStringLiteral("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QStringLiteral("folder"))
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    auto all = [this, path] {
        QList<int> errors;
        errors << pictures_.load(path).error << pictures_.loadScaled(path, QSize(120, 90)).error
               << pictures_.loadFitted(path, QSize(128, 128)).error << pictures_.loadFirstView(path, QImage()).error
               << (pictures_.naturalSize(path) ? 0 : err::NotRegularFile);
        return errors;
    };
    QFuture<QList<int>> loads = QtConcurrent::run(all);
    if (!QTest::qWaitFor([&] { return loads.isFinished(); }, 20000)) {
        // Let a blocked open go before failing.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        loads.waitForFinished();
        QFAIL("a load waited for the FIFO");
    }
    QCOMPARE(loads.result(), QList<int>(5, err::NotRegularFile));
}

void TestPictures::drawnAsImageMagickDraws_data()
{
    QTest::addColumn<QString>("picture");  // below tests/data, or an icon made here
    QTest::addColumn<QString>("reference");  // what ImageMagick draws the expected picture from
    auto suite = [](const char* name) { return QStringLiteral("bmp-suite/") + QLatin1String(name); };
    // Files Qt's reader drew wrong or refused while other decoders draw them.
    for (const char* name : {"questionable/rgb32-111110.bmp", "questionable/pal8os2sp.bmp", "questionable/rgb32h52.bmp",
             "questionable/rgba32h56.bmp", "questionable/pal8os2v2-16.bmp", "questionable/rgb16-3103.bmp",
             "questionable/rgb32-7187.bmp", "questionable/rgba16-1924.bmp", "questionable/rgba32-1010102.bmp",
             "questionable/rgba32-61754.bmp", "questionable/rgba32-81284.bmp"})
        QTest::newRow(name) << suite(name) << suite(name);
    // ImageMagick refuses a plane count other than 1; the picture is the suite's pal1.bmp.
    QTest::newRow("bad/badplanes.bmp") << suite("bad/badplanes.bmp") << suite("good/pal1.bmp");
    // ImageMagick misreads the 64-byte OS/2 header; the picture is the suite's pal8.bmp.
    QTest::newRow("questionable/pal8os2v2.bmp") << suite("questionable/pal8os2v2.bmp") << suite("good/pal8.bmp");
    QTest::newRow("questionable/pal8os2v2-sz.bmp") << suite("questionable/pal8os2v2-sz.bmp") << suite("good/pal8.bmp");
    // Icons whose directory states another size than their picture has.
    QTest::newRow("icon whose directory claims more") << "ico:64"
                                                      << "ico:64";
    QTest::newRow("icon whose directory claims less") << "ico:32"
                                                      << "ico";
    // A 24-bit icon picture whose mask makes its left half transparent, and a PNG picture whose
    // directory entry states 65535 bits (Qt's reader drops the one's mask, refuses the other).
    QTest::newRow("24-bit icon with a mask") << "icon24"
                                             << "icon24";
    QTest::newRow("PNG icon with a nonsense bit count") << "iconpng"
                                                        << "iconpng";
    // What cannot be drawn right is refused: bit masks whose bits are not contiguous.
    QTest::newRow("BMP with a broken red mask") << "masks"
                                                << "";
}

// Each picture is drawn as ImageMagick draws it, within a mean absolute difference of 2 %.
void TestPictures::drawnAsImageMagickDraws()
{
    QFETCH(QString, picture);
    QFETCH(QString, reference);
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        QSKIP("ImageMagick draws the references");
    // An icon of a 48 x 48 picture, its directory patched to claim `claim` pixels.
    auto icon = [this](const QString& spec) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImage image = quarters(QSize(48, 48)).convertToFormat(QImage::Format_ARGB32);
        QImageWriter(&buffer, "ico").write(image);
        QByteArray bytes = buffer.data();
        const int claim = spec.section(u':', 1).toInt();
        if (claim > 0)
            bytes[6] = bytes[7] = char(claim);
        const QString path = file(spec.section(u':', 0, 0) + QString::number(claim) + QStringLiteral(".ico"));
        writeBytes(path, bytes);
        return path;
    };
    if (picture == QStringLiteral("masks")) {
        QByteArray bytes = readBytes(dataFile(QStringLiteral("bmp-suite/good/rgb32bf.bmp")));
        bytes[54] = char(0xF0);  // red mask 0x00FF00F0
        writeBytes(file(QStringLiteral("masks.bmp")), bytes);
        const PictureResult r = pictures_.load(file(QStringLiteral("masks.bmp")));
        QCOMPARE(r.error, err::InvalidPicture);
        QVERIFY(r.image.isNull());
        return;
    }
    // One 48 x 48 picture of the quarters: 24 bits with a mask, or a PNG.
    auto handMade = [this](const QString& kind) {
        const QImage image = quarters(QSize(48, 48));
        QByteArray data;
        if (kind == QStringLiteral("iconpng")) {
            QBuffer png(&data);
            png.open(QIODevice::WriteOnly);
            image.save(&png, "png");
        } else {
            data = bmpBytes(48, 96, 24, {}, QByteArray()).mid(14);
            for (int y = 47; y >= 0; --y)
                for (int x = 0; x < 48; ++x)
                    data.append(char(qBlue(image.pixel(x, y))))
                        .append(char(qGreen(image.pixel(x, y))))
                        .append(char(qRed(image.pixel(x, y))));
            for (int y = 0; y < 48; ++y)
                data += QByteArray("\xFF\xFF\xFF\0\0\0\0\0", 8);  // left 24 pixels masked
        }
        QByteArray bytes("\0\0\1\0\1\0\x30\x30\0\0\1\0\x18\0", 14);
        if (kind == QStringLiteral("iconpng"))
            bytes[12] = bytes[13] = char(0xFF);
        for (const quint32 v : {quint32(data.size()), 22u})
            bytes.append(char(v)).append(char(v >> 8)).append(char(v >> 16)).append(char(v >> 24));
        const QString path = file(kind + QStringLiteral(".ico"));
        writeBytes(path, bytes + data);
        return path;
    };
    auto make = [&](const QString& spec) {
        return spec.startsWith(QStringLiteral("icon")) ? handMade(spec)
            : spec.startsWith(QStringLiteral("ico"))   ? icon(spec)
                                                       : dataFile(spec);
    };
    const QString path = make(picture), ref = make(reference);
    const PictureResult r = pictures_.load(path);
    QVERIFY2(r.ok(), qPrintable(r.detail));
    const QImage expected = imageMagick(ref);
    QVERIFY(!expected.isNull());
    const double difference = meanDifference(r.image, expected);
    QVERIFY2(difference <= 0.02,
        qPrintable(QStringLiteral("%1 x %2 against %3 x %4: %5 %")
                       .arg(r.image.width())
                       .arg(r.image.height())
                       .arg(expected.width())
                       .arg(expected.height())
                       .arg(difference * 100, 0, 'f', 1)));
}

// Every picture of the test data shows the same pixels whatever was loaded before it: pixels an
// RLE picture skips, that a file cut short lacks or whose index lies beyond the palette have one
// defined colour, never the bytes an earlier picture left in memory. Each file is loaded twice in
// this process, in two orders, with memory scribbled over differently before each load.
void TestPictures::sameWhateverCameBefore()
{
    QStringList files;
    QDirIterator it(dataFile(QString()),
        {QStringLiteral("*.bmp"), QStringLiteral("*.gif"), QStringLiteral("*.jpg"), QStringLiteral("*.ico")},
        QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    QVERIFY(files.size() > 100);
    auto pass = [this](const QStringList& order, char scribble) {
        QHash<QString, QByteArray> seen;
        for (const QString& path : order) {
            // Blocks of every size the pictures take, freed again for the load to reuse.
            std::vector<QByteArray> blocks;
            for (qsizetype size = 64; size <= 4 * 1024 * 1024; size *= 2)
                blocks.emplace_back(size, scribble);
            blocks.clear();
            const PictureResult r = pictures_.load(path);
            const QImage image = r.image.convertToFormat(QImage::Format_ARGB32);
            seen[path] = r.ok() ? QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())
                                : QByteArray("refused");
        }
        return seen;
    };
    QStringList backwards = files;
    std::reverse(backwards.begin(), backwards.end());
    const QHash<QString, QByteArray> first = pass(files, '\x5A'), second = pass(backwards, '\xA5');
    QStringList differing;
    for (const QString& path : files) {
        if (first[path] != second[path])
            differing << QFileInfo(path).fileName();
    }
    QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QStringLiteral(", "))));
}

void TestPictures::missingPixelsHaveOneColour_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QPoint>>("missing");  // pixels the file does not give, top row 0
    QTest::addColumn<QColor>("colour");  // which they all show
    const QRgb red = qRgb(200, 0, 0), green = qRgb(0, 200, 0);
    const QList<QRgb> palette{red, green};
    // 4 x 2 pixels, rows stored bottom first; green wherever the file says 1.
    QTest::newRow("index beyond the palette")
        << bmpBytes(4, 2, 8, palette, QByteArray("\1\1\xC8\1\1\1\1\1", 8)) << QList<QPoint>{{2, 1}} << QColor(red);
    QTest::newRow("RLE8: a delta skips pixels, the codes end a row early")
        << bmpBytes(4, 2, 8, palette, QByteArray("\1\1\0\2\2\0\1\1\0\0\1\1\0\1", 14), 1)
        << QList<QPoint>{{1, 1}, {2, 1}, {1, 0}, {2, 0}, {3, 0}} << QColor(red);
    QTest::newRow("RLE4: the picture ends early")
        << bmpBytes(4, 2, 4, palette, QByteArray("\4\x11\0\1", 4), 2) << QList<QPoint>{{0, 0}, {3, 0}} << QColor(red);
    QTest::newRow("RLE8: cut short in an absolute run") << bmpBytes(4, 2, 8, palette, QByteArray("\4\1\0\0\0\4\1", 7),
        1) << QList<QPoint>{{1, 0}, {3, 0}} << QColor(red);
    QTest::newRow("8 bits, cut short") << bmpBytes(4, 2, 8, palette, QByteArray("\1\1\1\1", 4))
                                       << QList<QPoint>{{0, 0}, {3, 0}} << QColor(red);
    QTest::newRow("24 bits, cut short") << bmpBytes(4, 2, 24, {}, QByteArray("\0\xC8\0", 3).repeated(5).chopped(1))
                                        << QList<QPoint>{{2, 0}, {3, 0}} << QColor(Qt::black);
}

// Pixels a BMP does not give (skipped by run-length codes, missing from a file cut short, or
// naming a colour beyond the palette) all show the palette's first colour, or black.
void TestPictures::missingPixelsHaveOneColour()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QPoint>, missing);
    QFETCH(QColor, colour);
    writeBytes(file(QStringLiteral("p.bmp")), bytes);
    const PictureResult r = pictures_.load(file(QStringLiteral("p.bmp")));
    QVERIFY2(r.ok(), qPrintable(r.detail));
    QCOMPARE(r.image.size(), QSize(4, 2));
    for (const QPoint p : missing)
        QCOMPARE(r.image.pixelColor(p), colour);
    QCOMPARE(r.image.pixelColor(0, 1), QColor(qRgb(0, 200, 0)));  // the first pixel the file gives
}

void TestPictures::uris_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("name");
    // The standard's own example.
    QTest::newRow("plain") << "/home/jens/photos/me.png"
                           << "file:///home/jens/photos/me.png"
                           << "c6ee772d9e49320e97ec29a7eb5b1697.png";
    // As GLib (`gio info`) writes it: space, #, [, ], ; and ? escaped, the rest of the
    // punctuation kept, other text as UTF-8 bytes.
    QTest::newRow("punctuation") << "/tmp/u t/a#b[c]/x;y?z=1&é@+,$~!'()*.jpg"
                                 << "file:///tmp/u%20t/a%23b%5Bc%5D/x%3By%3Fz=1&%C3%A9@+,$~!'()*.jpg"
                                 << "7ad9c8c7b3b8267196fba511d88a4724.png";
    QTest::newRow("Japanese") << "/写真/海.jpg"
                              << "file:///%E5%86%99%E7%9C%9F/%E6%B5%B7.jpg"
                              << "a3360a259160666a6720621873f68eda.png";
}

void TestPictures::uris()
{
    QFETCH(QString, path);
    QFETCH(QString, uri);
    QFETCH(QString, name);
    QCOMPARE(QString::fromLatin1(fileUri(path)), uri);
    QCOMPARE(thumbnailFileName(fileUri(path)), name);
}

void TestPictures::sides_data()
{
    QTest::addColumn<QSize>("cell");
    QTest::addColumn<QString>("folder");
    QTest::newRow("large layout") << QSize(120, 90) << "normal";
    QTest::newRow("exactly 128") << QSize(128, 96) << "normal";
    QTest::newRow("twice the density") << QSize(240, 180) << "large";
    QTest::newRow("one pixel over 128") << QSize(129, 10) << "large";
    QTest::newRow("three times") << QSize(360, 270) << "x-large";
    QTest::newRow("beyond 1024") << QSize(2000, 10) << "xx-large";
}

void TestPictures::sides()
{
    QFETCH(QSize, cell);
    QFETCH(QString, folder);
    QCOMPARE(thumbnailFolder(thumbnailSide(cell)), folder);
}

void TestPictures::entryDescribes_data()
{
    QTest::addColumn<QString>("keys");  // key=value|key=value
    QTest::addColumn<bool>("describes");
    QTest::newRow("all three") << "Thumb::URI=file:///p/a.jpg|Thumb::MTime=1700000000|Thumb::Size=4096" << true;
    QTest::newRow("no size stated") << "Thumb::URI=file:///p/a.jpg|Thumb::MTime=1700000000" << true;
    QTest::newRow("a fraction of a second") << "Thumb::URI=file:///p/a.jpg|Thumb::MTime=1700000000.25" << true;
    QTest::newRow("changed since") << "Thumb::URI=file:///p/a.jpg|Thumb::MTime=1700000001|Thumb::Size=4096" << false;
    QTest::newRow("other size") << "Thumb::URI=file:///p/a.jpg|Thumb::MTime=1700000000|Thumb::Size=4097" << false;
    QTest::newRow("another file") << "Thumb::URI=file:///p/b.jpg|Thumb::MTime=1700000000" << false;
    QTest::newRow("no time") << "Thumb::URI=file:///p/a.jpg|Thumb::Size=4096" << false;
    QTest::newRow("no URI") << "Thumb::MTime=1700000000" << false;
}

void TestPictures::entryDescribes()
{
    QFETCH(QString, keys);
    QFETCH(bool, describes);
    QMap<QString, QString> texts;
    for (const QString& k : keys.split(u'|'))
        texts.insert(k.section(u'=', 0, 0), k.section(u'=', 1));
    const ThumbnailKey key{"file:///p/a.jpg", 1700000000, 4096, 1800000000};
    QCOMPARE(vu::entryDescribes(texts, key), describes);
}

// What this program writes, another freedesktop reader takes: checked by a Python program with
// none of this program's code, and read by gdk-pixbuf where its tools are installed.
void TestPictures::entriesAreReadByOtherReaders()
{
    const QString root = file(QStringLiteral("cache/thumbnails"));
    FreedesktopThumbnails cache(root);
    const QString photo = writeJpeg(QStringLiteral("海 #1.jpg"), jpegBytes(quarters(QSize(400, 300))));
    const QString damaged = file(QStringLiteral("damaged.jpg"));
    writeBytes(damaged, "not a picture");
    age(photo);
    age(damaged);
    const PictureResult thumbnail = pictures_.loadFitted(photo, QSize(128, 128));
    QVERIFY(cache.store(cache.keyOf(photo), 128, thumbnail.image, thumbnail.natural));
    QVERIFY(cache.storeFailure(cache.keyOf(damaged)));
    QVERIFY(cache.failedBefore(cache.keyOf(damaged)));
    QCOMPARE(cache.find(cache.keyOf(photo), 128).size(), QSize(128, 96));

    QString out;
    QCOMPARE(otherProgram({QStringLiteral("check"), root, photo, QStringLiteral("--failed"), damaged}, &out), 0);
    QCOMPARE(out.trimmed(), QStringLiteral("ok"));
    if (!QStandardPaths::findExecutable(QStringLiteral("gdk-pixbuf-thumbnailer")).isEmpty()) {
        const QString entry = cache.entryPath(fileUri(photo), 128);
        QCOMPARE(QProcess::execute(QStringLiteral("gdk-pixbuf-thumbnailer"),
                     {QStringLiteral("-s"), QStringLiteral("64"), entry, file(QStringLiteral("read.png"))}),
            0);
        QCOMPARE(QImage(file(QStringLiteral("read.png"))).width(), 64);
    }
}

void TestPictures::entriesWrittenByOthersAreUsed_data()
{
    QTest::addColumn<QString>("chunks");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("size");  // as the other program writes it; empty: the folder's
    QTest::addColumn<QString>("change");  // how the keys differ from the file's
    QTest::addColumn<bool>("used");
    QTest::newRow("standard entry") << "tEXt"
                                    << "normal"
                                    << ""
                                    << "" << true;
    QTest::newRow("keys in compressed chunks") << "zTXt"
                                               << "normal"
                                               << ""
                                               << "" << true;
    QTest::newRow("without Thumb::Size") << "tEXt"
                                         << "normal"
                                         << ""
                                         << "no size" << true;
    QTest::newRow("only a larger entry") << "tEXt"
                                         << "large"
                                         << ""
                                         << "" << true;
    QTest::newRow("file changed since") << "tEXt"
                                        << "normal"
                                        << ""
                                        << "mtime" << false;
    QTest::newRow("file of another size") << "tEXt"
                                          << "normal"
                                          << ""
                                          << "size" << false;
    QTest::newRow("another file's entry") << "tEXt"
                                          << "normal"
                                          << ""
                                          << "uri" << false;
    // An entry larger than its folder's size is not a thumbnail, whatever its keys say.
    QTest::newRow("one pixel wider than normal") << "tEXt"
                                                 << "normal"
                                                 << "129x96"
                                                 << "" << false;
    QTest::newRow("11000 x 11000 in normal") << "tEXt"
                                             << "normal"
                                             << "11000x11000"
                                             << "" << false;
    QTest::newRow("11000 x 11000 in large") << "tEXt"
                                            << "large"
                                            << "11000x11000"
                                            << "" << false;
}

void TestPictures::entriesWrittenByOthersAreUsed()
{
    QFETCH(QString, chunks);
    QFETCH(QString, folder);
    QFETCH(QString, size);
    QFETCH(QString, change);
    QFETCH(bool, used);
    const QString root = file(QStringLiteral("cache/thumbnails"));
    FreedesktopThumbnails cache(root);
    const QString photo = writeJpeg(QStringLiteral("photo.jpg"), jpegBytes(quarters(QSize(400, 300))));
    age(photo);
    const ThumbnailKey key = cache.keyOf(photo);
    QVERIFY(key.valid());
    QStringList keys{QStringLiteral("Thumb::URI=")
            + QString::fromLatin1(
                change == QStringLiteral("uri") ? fileUri(file(QStringLiteral("other.jpg"))) : key.uri),
        QStringLiteral("Thumb::MTime=%1").arg(key.mtime + (change == QStringLiteral("mtime") ? 5 : 0)),
        QStringLiteral("Software=another program")};
    if (change != QStringLiteral("no size"))
        keys << QStringLiteral("Thumb::Size=%1").arg(key.size + (change == QStringLiteral("size") ? 1 : 0));
    const int side = folder == QStringLiteral("large") ? 256 : 128;
    const QString entry = root + u'/' + folder + u'/' + thumbnailFileName(key.uri);
    QVERIFY(QDir().mkpath(root + u'/' + folder));
    QString out;
    QCOMPARE(otherProgram(QStringList{QStringLiteral("write"), entry, size.isEmpty() ? QString::number(side) : size,
                              QStringLiteral("255,0,255"), chunks}
                     + keys,
                 &out),
        0);
    const QImage found = cache.find(key, 128);
    QCOMPARE(!found.isNull(), used);
    QCOMPARE(!cache.largest(key).isNull(), used);
    if (used) {
        QCOMPARE(found.pixelColor(5, 5), QColor(Qt::magenta));
        return;
    }
    // An entry not used gives way to the picture's own thumbnail.
    const PictureResult thumbnail = pictures_.loadFitted(photo, QSize(side, side));
    QVERIFY(cache.store(key, side, thumbnail.image, thumbnail.natural));
    QCOMPARE(cache.find(key, side).pixelColor(5, 5), thumbnail.image.pixelColor(5, 5));
}

// A file changed within the last two seconds gets no entry (a second change within the same
// second would keep the time the entry states), nor does a picture inside the cache itself.
void TestPictures::freshFilesAndTheCacheItselfGetNoEntries()
{
    const QString root = file(QStringLiteral("cache/thumbnails"));
    FreedesktopThumbnails cache(root);
    const QString photo = writeJpeg(QStringLiteral("photo.jpg"), jpegBytes(quarters(QSize(400, 300))));
    const QImage thumbnail = pictures_.loadFitted(photo, QSize(128, 128)).image;
    QVERIFY(!cache.store(cache.keyOf(photo), 128, thumbnail, QSize(400, 300)));
    QVERIFY(!cache.storeFailure(cache.keyOf(photo)));
    QVERIFY(!QFile::exists(cache.entryPath(fileUri(photo), 128)));
    age(photo);
    QVERIFY(cache.store(cache.keyOf(photo), 128, thumbnail, QSize(400, 300)));

    const QString inside = cache.entryPath(fileUri(photo), 128);
    QVERIFY(!cache.keyOf(inside).valid());
    QVERIFY(QFile::link(root, file(QStringLiteral("through-a-link"))));
    QVERIFY(!cache.keyOf(file(QStringLiteral("through-a-link/normal/")) + thumbnailFileName(fileUri(photo))).valid());
    // A cache that cannot be written costs the entries only.
    FreedesktopThumbnails blocked(file(QStringLiteral("photo.jpg/thumbnails")));
    QVERIFY(!blocked.store(cache.keyOf(photo), 128, thumbnail, QSize(400, 300)));
    QVERIFY(blocked.find(cache.keyOf(photo), 128).isNull());
}

void TestPictures::onlyTrustedFoldersAreUsed_data()
{
    QTest::addColumn<QString>("folder");  // below the cache root; empty: the root itself
    QTest::addColumn<QString>("fault");
    QTest::newRow("normal a link to a folder") << "normal"
                                               << "link";
    QTest::newRow("normal writable by everyone") << "normal"
                                                 << "0777";
    QTest::newRow("normal writable by its group") << "normal"
                                                  << "0770";
    QTest::newRow("normal owned by another user") << "normal"
                                                  << "owner";
    QTest::newRow("the failures a link to a folder") << "fail/vutara"
                                                     << "link";
    QTest::newRow("the failures owned by another user") << "fail/vutara"
                                                        << "owner";
    QTest::newRow("the root writable by everyone") << ""
                                                   << "0777";
    QTest::newRow("the root a link to a folder") << ""
                                                 << "link";
}

// The cache is read and written only in real folders (not links) of this user that nobody else
// may write; elsewhere the pictures are decoded as without a cache, and nothing is written.
void TestPictures::onlyTrustedFoldersAreUsed()
{
    QFETCH(QString, folder);
    QFETCH(QString, fault);
    if (fault == QStringLiteral("owner") && ::geteuid() != 0)
        QSKIP("giving a folder to another user needs the superuser");
    const QString root = file(QStringLiteral("cache/thumbnails"));
    FreedesktopThumbnails cache(root);
    const QString photo = writeJpeg(QStringLiteral("photo.jpg"), jpegBytes(quarters(QSize(400, 300))));
    const QString damaged = file(QStringLiteral("damaged.jpg"));
    writeBytes(damaged, "not a picture");
    age(photo);
    age(damaged);
    const ThumbnailKey picture = cache.keyOf(photo), failure = cache.keyOf(damaged);
    const PictureResult thumbnail = pictures_.loadFitted(photo, QSize(128, 128));
    QVERIFY(cache.store(picture, 128, thumbnail.image, thumbnail.natural));
    QVERIFY(cache.storeFailure(failure));

    const QString faulty = folder.isEmpty() ? root : root + u'/' + folder;
    const QByteArray path = QFile::encodeName(faulty);
    if (fault == QStringLiteral("link")) {
        const QString real = file(QStringLiteral("elsewhere"));
        QVERIFY(QDir().rename(faulty, real));
        QVERIFY(QFile::link(real, faulty));
    } else if (fault == QStringLiteral("owner")) {
        QCOMPARE(::chown(path.constData(), 12345, 12345), 0);
    } else {
        QCOMPARE(::chmod(path.constData(), mode_t(fault.toUInt(nullptr, 8))), 0);
    }
    const QString entry = cache.entryPath(picture.uri, 128), note = cache.failurePath(failure.uri);
    const QByteArray entryBytes = readBytes(entry), noteBytes = readBytes(note);
    const bool entries = folder == QStringLiteral("fail/vutara"), failures = folder == QStringLiteral("normal");
    QCOMPARE(!cache.find(picture, 128).isNull(), entries);
    QCOMPARE(!cache.largest(picture).isNull(), entries);
    QCOMPARE(cache.failedBefore(failure), failures);
    QCOMPARE(cache.store(picture, 128, solid(QSize(128, 96), Qt::magenta), thumbnail.natural), entries);
    QCOMPARE(cache.storeFailure(failure), failures);
    if (!entries)
        QCOMPARE(readBytes(entry), entryBytes);
    if (!failures)
        QCOMPARE(readBytes(note), noteBytes);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
