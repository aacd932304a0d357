// Damaged settings files: every length from 0 to 300 bytes, with random bytes, invalid CP932,
// NUL bytes and records whose folder ends in half a double-byte character. The main window must
// open whatever the file holds and write a valid record when it closes; the slide-show settings
// dialog must open, show at most one character and store a valid record on "更新"; the slide
// show must start with a display time it can keep.
#include "browser/vumain.h"
#include "corpus/corpus.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/testing/doubles.h"
#include "slideshow/vuprop.h"
#include "slideshow/vuslide.h"
#include "support/testsupport.h"

#include <QPointer>
#include <QTest>

using namespace vu;
using namespace vu::testing;

namespace {

constexpr int LongestFile = 300;

// Whether the files of this length are tried: all of them, or for a quicker run (the sanitizers')
// every length up to just past the record and every n-th after it, when the environment says
// VUTARA_CORPUS_STRIDE=n. The same files are made either way.
bool tried(int length)
{
    const int stride = std::max(1, qEnvironmentVariableIntValue("VUTARA_CORPUS_STRIDE"));
    return length <= 130 || length % stride == 0;
}

enum class Kind { Random, BadCp932, Nul, Record };

QByteArray fields(const QByteArray& path, char seconds)
{
    return QByteArray("[Path]") + path.leftJustified(50, ' ', true) + "[Slideshow]" + QByteArray(8, ' ') + seconds
        + QByteArray(52, ' ');
}

// Bytes that are not CP932 text: lone lead bytes, lead bytes before bytes that cannot follow
// them, bytes that never start a character, and double-byte characters split by a field edge.
QByteArray badCp932(int length, corpus::Random& rnd)
{
    static const QByteArray pieces[] = {
        QByteArray("\x81", 1),
        QByteArray("\x9F\x20", 2),
        QByteArray("\xE0\x7F", 2),
        QByteArray("\xFC\x00", 2),
        QByteArray("\x80", 1),
        QByteArray("\xA0", 1),
        QByteArray("\xFD\xFE\xFF", 3),
        QByteArray("\x82\xA0", 2),
        QByteArray("\x88\xFD", 2),
        QByteArray("\xEF\x3F", 2),
    };
    QByteArray out;
    while (out.size() < length)
        out += pieces[rnd.below(int(std::size(pieces)))];
    out.truncate(length);
    // A valid double-byte character across each field edge: its lead byte ends one field.
    for (int edge : {6, 56, 67, 71, 75, 76, 77}) {
        if (edge < length) {
            out[edge - 1] = char(0x88);
            out[edge] = char(0x9F);
        }
    }
    return out;
}

// The record a window that read `before` writes: the fields it sets and the others as it read
// them, each fitted to its width.
QByteArray fitted(const QString& value, int width)
{
    return cp932::cutToWidth(cp932::encode(value), width).leftJustified(width, ' ', true);
}

// Checks what a window wrote over a damaged file: a whole record in front of the bytes that
// followed the first 128, valid text in every field, the spare fields as they were read.
void checkRecordOver(const QByteArray& before, const QByteArray& after)
{
    QCOMPARE(after.size(), std::max<qsizetype>(SettingsRec::Size, before.size()));
    QCOMPARE(after.mid(SettingsRec::Size), before.mid(SettingsRec::Size));
    const QByteArray record = after.left(SettingsRec::Size);
    QCOMPARE(record.left(6), QByteArray("[Path]"));
    QCOMPARE(record.mid(56, 11), QByteArray("[Slideshow]"));
    const SettingsRec rec = SettingsRec::fromBytes(record);
    for (int f = 0; f < SettingsRec::FieldCount; ++f)
        QVERIFY2(!rec.field(SettingsRec::Field(f)).contains(QChar(QChar::ReplacementCharacter)),
            qPrintable(QString::number(f)));
    QCOMPARE(rec.toBytes(), record);
    const SettingsRec read = SettingsRec::fromBytes(before);
    for (SettingsRec::Field f : {SettingsRec::Spare1, SettingsRec::Spare2, SettingsRec::Spare3, SettingsRec::Spare4})
        QCOMPARE(
            record.mid(SettingsRec::offset(f), SettingsRec::Width[f]), fitted(read.field(f), SettingsRec::Width[f]));
}

}  // namespace

class TestDamagedSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { cwd_.reset(); }
    void opensAndWritesValidRecord_data() { damagedFiles(); }
    void opensAndWritesValidRecord();
    void settingsDialog_data() { damagedFiles(); }
    void settingsDialog();
    void slideShowStarts_data() { damagedFiles(); }
    void slideShowStarts();

private:
    void damagedFiles();

    std::unique_ptr<TempCwd> cwd_;
    QString folder_;  // a real folder whose name fits the record
};

namespace {
QtMessageHandler testHandler = nullptr;
// The offscreen platform says on every show that it cannot pass size hints on; 1,200 windows
// would bury the test's own output.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QStringLiteral("propagateSizeHints"))
        && !text.contains(QStringLiteral("does not support raise()")))
        testHandler(type, context, text);
}
}  // namespace

void TestDamagedSettings::initTestCase()
{
    testHandler = qInstallMessageHandler(quietHandler);
    cwd_ = std::make_unique<TempCwd>();
    folder_ = cwd_->file(QStringLiteral("写真"));
    writePictures(folder_, 3);
    QVERIFY(cp932::encode(folder_).size() <= 50);
}

void TestDamagedSettings::damagedFiles()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("storedFolderExists");
    corpus::Random rnd(128);
    const QByteArray folder = cp932::encode(folder_);
    // A 50-byte folder field whose last byte starts a double-byte character.
    QByteArray split = folder + '/';
    while (split.size() < 49)
        split += 'a';
    split += char(0x82);
    for (int length = 0; length <= LongestFile; ++length) {
        QByteArray random(length, '\0');
        for (char& c : random)
            c = char(rnd.next() & 0xFF);
        const QByteArray bad = badCp932(length, rnd);

        // NUL bytes: a whole file of them, and a record with NULs strewn through it.
        QByteArray nul = fields(folder, '3').leftJustified(length, '\0', true);
        for (int k = 0; k < length; k += 1 + rnd.below(9))
            nul[k] = '\0';

        // A good record cut to this length (or followed by junk): the folder survives from 56
        // bytes on. On odd lengths the folder ends in half a character instead.
        QByteArray record = fields(length % 2 ? split : folder, '7');
        while (record.size() < length)
            record += char(rnd.next() & 0xFF);
        record.truncate(length);
        if (!tried(length))
            continue;
        QTest::addRow("random %d", length) << random << false;
        QTest::addRow("bad CP932 %d", length) << bad << false;
        QTest::addRow("NUL %d", length) << (length % 2 ? nul : QByteArray(length, '\0')) << false;
        QTest::addRow("record %d", length) << record << (length % 2 == 0 && length >= 56);
    }
}

void TestDamagedSettings::opensAndWritesValidRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, storedFolderExists);
    const QString file = cwd_->file(SettingsFileName);
    writeBytes(file, bytes);

    TestPlatform platform;
    VuModule module(platform.platform());
    auto main = std::make_unique<VuMain>(module);
    main->show();
    QVERIFY(main->isVisible());
    // The window shows a real folder. The current folder is the stored one as the start rules
    // read it, even where it names no folder, unless the drive list moved the lists (and with
    // them the current folder) to another volume first.
    QVERIFY(QDir(main->ui().DirList->path()).exists());
    const QString current = module.folder().curPath();
    QVERIFY2(current == startFolder(SettingsRec::fromBytes(bytes)) || current == main->ui().DirList->path(),
        qPrintable(current));
    if (storedFolderExists) {
        QCOMPARE(main->errNo(), 0);
        QCOMPARE(module.folder().curPath(), folder_);
        QCOMPARE(main->fileList().count(), 3);
    }

    QVERIFY(main->Form_Unload().ok());
    const QByteArray after = readBytes(file);
    QCOMPARE(after.size(), std::max<qsizetype>(SettingsRec::Size, bytes.size()));
    QCOMPARE(after.mid(SettingsRec::Size), bytes.mid(SettingsRec::Size));
    const QByteArray record = after.left(SettingsRec::Size);
    QCOMPARE(record.left(6), QByteArray("[Path]"));
    QCOMPARE(record.mid(6, 50),
        cp932::encode(paths::dropOneSeparator(module.folder().curPath())).leftJustified(50, ' ', true));
    QCOMPARE(record.mid(56, 11), QByteArray("[Slideshow]"));
    // Valid text in every field: it decodes without a damaged character and reads back the same.
    const SettingsRec rec = SettingsRec::fromBytes(record);
    for (int f = 0; f < SettingsRec::FieldCount; ++f)
        QVERIFY2(!rec.field(SettingsRec::Field(f)).contains(QChar(QChar::ReplacementCharacter)),
            qPrintable(QString::number(f)));
    QCOMPARE(rec.toBytes(), record);
    // The display time survives when the old file held one.
    if (bytes.size() > 75 && bytes.at(75) >= '0' && bytes.at(75) <= '9')
        QCOMPARE(record.at(75), bytes.at(75));

    // The next start reads back the folder stored.
    main.reset();
    VuModule again(platform.platform());
    VuMain second(again);
    const QString next = again.folder().curPath();
    QVERIFY2(next == startFolder(rec) || next == second.ui().DirList->path(), qPrintable(next));
}

// The slide-show settings dialog over the same files: it opens with at most one character in its
// box, makes the stored folder as read the current one, and "更新" (with the box as read, or with a
// digit typed over it) writes a valid record, the stored folder unchanged, in front of the bytes
// after the first 128.
void TestDamagedSettings::settingsDialog()
{
    QFETCH(QByteArray, bytes);
    const QString file = cwd_->file(SettingsFileName);
    writeBytes(file, bytes);
    TestPlatform platform;
    VuModule module(platform.platform());
    module.folder().takeStored(folder_);
    QWidget owner;
    VuProp prop(module, &owner);
    prop.show();
    QVERIFY(prop.isVisible());
    const SettingsRec read = SettingsRec::fromBytes(bytes);
    QVERIFY(prop.ui().dspTime->text().size() <= 1);
    QCOMPARE(prop.ui().dspTime->text(), read.value(SettingsRec::SlideSec));
    QCOMPARE(module.folder().curPath(), read.value(SettingsRec::PathName));

    const bool typing = bytes.size() % 3 == 0;
    if (typing)
        QTest::keyClicks(prop.ui().dspTime, QStringLiteral("7"));
    const QString box = prop.ui().dspTime->text();
    QVERIFY(box.size() <= 1);
    prop.cmd_Click(0);
    QCOMPARE(prop.result(), int(QDialog::Accepted));
    QVERIFY(platform.dialogs.asked.isEmpty());

    const QByteArray after = readBytes(file);
    checkRecordOver(bytes, after);
    QCOMPARE(after.mid(6, 50), fitted(read.value(SettingsRec::PathName), 50));
    QCOMPARE(after.at(75), typing ? '7' : fitted(box, 1).at(0));
    // The next opening reads back what was stored.
    VuProp again(module, &owner);
    QCOMPARE(again.ui().dspTime->text(), SettingsRec::fromBytes(after).value(SettingsRec::SlideSec));
}

// The slide show over the same files: its display time is the stored digit, or none (a black
// screen until a click) for anything else; a show with a time plays its three pictures and
// ends by itself. The file is only read.
void TestDamagedSettings::slideShowStarts()
{
    QFETCH(QByteArray, bytes);
    const QString file = cwd_->file(SettingsFileName);
    writeBytes(file, bytes);
    TestPlatform platform;
    VuModule module(platform.platform());
    module.folder().takeStored(folder_ + u'/');
    QWidget owner;
    auto* timer = new ManualSlideTimer;
    QPointer<VuSlide> slide = new VuSlide(module, &owner, {timer, true});
    const char stored = bytes.size() > 75 ? bytes.at(75) : ' ';
    const int seconds = stored >= '0' && stored <= '9' ? stored - '0' : 0;
    QCOMPARE(slide->ui().Timer1->interval(), seconds * 1000);
    QCOMPARE(slide->ui().Timer1->isActive(), seconds > 0);
    if (seconds > 0) {
        QStringList seen;
        for (int tick = 0; tick < 5 && !owner.isVisible(); ++tick) {
            timer->advance(seconds * 1000);
            QVERIFY(QTest::qWaitFor([&] { return !slide || !slide->busy(); }, 10000));
            if (slide && !owner.isVisible())
                seen << slide->ui().Label1->text();
        }
        QCOMPARE(seen,
            QStringList({QStringLiteral("img0000.bmp"), QStringLiteral("img0001.bmp"), QStringLiteral("img0002.bmp")}));
    } else {
        timer->advance(60000);
        QVERIFY(!slide->ui().imgScr->hasPicture());
        slide->Form_Click();
    }
    QVERIFY(owner.isVisible());
    QVERIFY(QTest::qWaitFor([&] { return slide.isNull(); }, 5000));
    QCOMPARE(readBytes(file), bytes);
}

QTEST_MAIN(TestDamagedSettings)
#include "tst_damagedsettings.moc"
