// Helpers shared by the tests: temporary working folders, generated pictures, test data.
#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace vu::testing {

// A fresh temporary folder that is the working directory while this object lives.
class TempCwd {
public:
    TempCwd();
    ~TempCwd();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// The shipped test data file at `relative` (below tests/data).
QString dataFile(const QString& relative);

// A picture of `size` with a recognisable pattern in `colour`.
QImage makePicture(QSize size, QColor colour = QColor(200, 60, 40));
// Writes a picture file; `format` as Qt names it ("jpg", "bmp", "gif", "ico").
QString writePicture(const QString& path, QSize size, const char* format, QColor colour = QColor(200, 60, 40));
// Writes `count` small pictures named prefix0000.ext, prefix0001.ext, ... into `folder`.
QStringList writePictures(const QString& folder, int count, const char* format = "bmp",
    const QString& prefix = QStringLiteral("img"), QSize size = QSize(16, 12));
// A GIF file of the frames (Qt reads GIF but does not write it): 216-colour cube palette, plain
// LZW codes, optionally interlaced; more than one frame makes an endlessly looping animation.
QByteArray encodeGif(const QList<QImage>& frames, bool interlaced = false, int delayCentiseconds = 10);
// A JPEG file's bytes with an EXIF block stating `orientation` (1 to 8) inserted after its start.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);
// Writes raw bytes to a file.
void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

}  // namespace vu::testing

#include <functional>

class QTimer;
class QWidget;

namespace vu::testing {

// Runs `act` once `find` returns a widget (giving up after `ms` milliseconds), from inside
// whatever nested event loop runs then: a pop-up menu's or a modal window's. Deleting the
// returned timer gives up waiting.
QTimer* whenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act, int ms = 5000);
// Runs `open`, which opens a pop-up menu and returns when it closes, and gives the texts of the
// menu's items as it showed them (a separator as an empty text); the menu is closed unchosen.
QStringList menuCaptions(const std::function<void()>& open);

// Runs `body` in a child process whose files may not grow beyond `maxFileBytes` (writes past it
// fail as on a full disk); returns the child's exit status, or -1 if it did not exit normally.
// The file-size signal is ignored in the child unless `keepSizeSignal`: then the child gets the
// signal's default, as a program does that does not ignore it.
int runLimitedChild(long maxFileBytes, const std::function<int()>& body, bool keepSizeSignal = false);

// A small tmpfs mounted on `folder` (made if missing) while the object lives, for faults the
// machine produces for real: a disk that fills up, a read-only remount, no room for one more
// file or folder (`inodes`: how many the file system may hold, its root included; 0: as many as
// its size allows). Mounting needs the superuser: ok() says whether it worked (a test skips
// otherwise). Unmounted at destruction, also when the test failed.
class TmpfsMount {
public:
    TmpfsMount(const QString& folder, qint64 bytes, qint64 inodes = 0);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool ok() const { return mounted_; }
    const QString& path() const { return folder_; }
    // Remounts read-only (as `mount -o remount,ro` does), or back.
    bool setReadOnly(bool readOnly);

private:
    QString folder_;
    QByteArray options_;
    bool mounted_ = false;
};

// Another mount of the folder `source` on `folder` (made if missing) while the object lives: a
// bind mount (the same file system under another mount), or a FUSE mount through bindfs (a
// file system that cannot make unnamed temporary files). Needs the superuser, and bindfs for
// FUSE: ok() says whether it worked. Unmounted at destruction, also when the test failed.
class BindMount {
public:
    enum Kind { Bind, Fuse };
    BindMount(const QString& source, const QString& folder, Kind kind = Bind);
    ~BindMount();
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
    bool ok() const { return mounted_; }
    const QString& path() const { return folder_; }

private:
    QString folder_;
    bool mounted_ = false;
};

// Marks a file or folder unchangeable (immutable, as `chattr +i` does) or clears the mark; false
// where the file system or the user cannot.
bool setImmutable(const QString& path, bool on);

}  // namespace vu::testing
