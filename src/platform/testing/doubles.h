// Test doubles for the platform services: scripted dialogs, a settable screen and clock,
// fake volumes, and file and picture services that inject failures into the real ones.
#pragma once

#include "../clock.h"
#include "../dialogs.h"
#include "../files.h"
#include "../paths.h"
#include "../pictures.h"
#include "../platform.h"
#include "../posixfiles.h"
#include "../screen.h"
#include "../urlopener.h"
#include "../volumes.h"
#include "../windowing.h"

#include <QList>
#include <QMutex>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace vu::testing {

// Answers dialogs from a script and records every question. A question without a scripted
// answer is answered with Cancel, No (or nothing) and counted in `unanswered`.
class ScriptedDialogs final : public Dialogs {
public:
    struct Question {
        enum Kind { Message, Folder, File } kind;
        QString title, text;
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        QString folder;
        QStringList filters;
        int selected = -1;
        QWidget* owner = nullptr;
    };

    void answerMessage(MsgAnswer a) { messages_.push_back(a); }
    void answerFolder(const QString& folder) { folders_.push_back(folder); }
    void answerFile(const std::optional<QString>& file) { files_.push_back(file); }
    // Runs while a message box is "open", before it is answered (for example to check what
    // the windows show at that moment).
    std::function<void(const Question&)> onQuestion;

    QList<Question> asked;
    int unanswered = 0;

    MsgAnswer message(
        QWidget* owner, const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    std::optional<QString> chooseFile(
        QWidget* owner, const QString& title, const QString& folder, const QStringList& filters, int selected) override;

private:
    std::deque<MsgAnswer> messages_;
    std::deque<QString> folders_;
    std::deque<std::optional<QString>> files_;
};

class FakeScreen final : public Screen {
    Q_OBJECT
public:
    explicit FakeScreen(QRect area = QRect(0, 0, 1280, 994))
        : area_(area)
    {
    }
    QRect workArea() const override { return area_; }
    // Changes the work area and reports a display change.
    void setWorkArea(QRect area)
    {
        area_ = area;
        emit displayChanged();
    }

private:
    QRect area_;
};

class FakeClock final : public Clock {
public:
    QDateTime now() override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void setTime(int h, int m, int s) { now_ = QDateTime(QDate(2026, 1, 1), QTime(h, m, s)); }

private:
    QDateTime now_ = QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0));
};

class FakeUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override
    {
        opened << url;
        return result;
    }
    QList<QUrl> opened;
    bool result = true;
};

class FakeWindowing final : public Windowing {
public:
    bool setStaysOnTop(QWidget* window, bool on) override
    {
        calls.push_back({window, on});
        return true;
    }
    struct Call {
        QWidget* window;
        bool on;
    };
    QList<Call> calls;
};

// The standard folders of a made-up home, none of them on disk: each place is the folder named
// for it (the desktop is <home>/Desktop), so a test can tell which one was asked for.
class FakePlaces final : public Places {
public:
    QString folder(Place place) const override;
    QString home = QStringLiteral("/home/tester");
};

// Volumes on real folders: each fake volume's root is a real folder; a volume marked not ready
// behaves like a drive without a medium.
class FakeVolumes final : public Volumes {
public:
    QList<Volume> volumes;
    QList<Volume> list() override { return volumes; }

protected:
    std::function<bool()> readiness(const QString& root) override;
};

// The real file service with failures injected: each rule names an operation, a predicate on
// the path it concerns (the target for copies), and the error to report.
class FaultyFiles final : public Files {
public:
    enum class Op { Read, Write, Copy, Remove, Rename, List, Sync };
    struct Rule {
        Op op;
        std::function<bool(const QString& path)> matches;
        int error;
        int remaining = -1;  // how many times the rule fires; -1 for always
    };
    void fail(Op op, std::function<bool(const QString&)> matches, int error, int times = -1)
    {
        rules_.push_back({op, std::move(matches), error, times});
    }
    // Runs before each operation (for example to remove a folder in the middle of a run), on the
    // windows' thread: a run aside waits meanwhile (its waiter must take posted events).
    std::function<void(Op, const QString& path)> before;
    void clear() { rules_.clear(); }
    int calls(Op op) const { return calls_[int(op)]; }

    FsStatus readRecord(const QString& path, qsizetype size, QByteArray* out) override;
    FsStatus writeRecord(const QString& path, const QByteArray& record) override;
    FsStatus copyFile(const QString& from, const QString& to, Replace mode, CopyRecord* record = nullptr) override;
    // The removal of a move's source counts as Remove, and so does a move into the trash.
    FsStatus removeFile(const QString& path) override;
    FsStatus removeIfUnchanged(const QString& path, const FileIdentity& expected) override;
    FsStatus renameFile(const QString& from, const QString& to) override;
    FsStatus syncFolder(const QString& folder) override;
    FsStatus moveToTrash(const QString& path, TrashedFile* where) override;
    // Counts as Rename, of the original path.
    FsStatus restoreFromTrash(
        const TrashedFile& trashed, const QString& original, const FileIdentity& expected) override;
    std::optional<QDateTime> modified(const QString& path) override { return real_.modified(path); }
    std::optional<int> attributes(const QString& path) override { return real_.attributes(path); }
    FsStatus checkChangeable(const QString& path) override { return real_.checkChangeable(path); }
    std::optional<FileIdentity> identity(const QString& path) override { return real_.identity(path); }
    std::optional<FileIdentity> entryIdentity(const QString& path) override { return real_.entryIdentity(path); }
    std::optional<bool> sameContents(const QString& a, const QString& b) override { return real_.sameContents(a, b); }
    bool exists(const QString& path) override { return real_.exists(path); }
    bool isDir(const QString& path) override { return real_.isDir(path); }
    bool sameEntry(const QString& a, const QString& b) override { return real_.sameEntry(a, b); }
    FsStatus listDir(const QString& folder, std::vector<DirEntry>* out, Listing which = Listing::All) override;
    std::optional<FolderStamp> folderStamp(const QString& folder) override { return real_.folderStamp(folder); }

private:
    std::optional<FsStatus> injected(Op op, const QString& path);

    PosixFiles real_;
    QMutex injectMutex_;  // runs call the service from a thread of their own
    QList<Rule> rules_;
    int calls_[7] = {};
};

// The real picture service with failures injected for chosen paths; counts its loads.
class FaultyPictures final : public Pictures {
public:
    std::function<bool(const QString& path)> failing;
    std::optional<QSize> naturalSize(const QString& path) override;
    PictureResult load(const QString& path) override;
    PictureResult loadScaled(const QString& path, QSize box) override;
    PictureResult loadFitted(const QString& path, QSize bound) override;
    PictureResult loadFirstView(const QString& path, const QImage& thumbnail) override;
    int loads() const;

private:
    // Counts a load; the injected failure for `path`, if any.
    std::optional<PictureResult> begin(const QString& path);

    QtPictures real_;
    mutable QMutex mutex_;
    int loads_ = 0;
};

// A bundle of doubles (real files and pictures with injection, scripted dialogs, fake screen,
// clock, browser, window stacking and standard folders; fake volumes when any are added, else
// the real ones; the real thumbnail cache in a temporary folder of its own). While it lives, $XDG_DATA_HOME names a
// temporary folder of its own too, so that the files a test deletes go to a trash of the test's,
// never into the user's.
class TestPlatform {
public:
    TestPlatform();
    ~TestPlatform();
    Platform platform();
    // Replaces the real volumes by fake ones (call before building windows).
    FakeVolumes& useFakeVolumes();
    // The home trash of this test ($XDG_DATA_HOME/Trash).
    QString homeTrash() const;

    FaultyFiles files;
    FaultyPictures pictures;
    ScriptedDialogs dialogs;
    FakeScreen screen;
    FakeClock clock;
    FakeUrlOpener urls;
    FakeWindowing windowing;
    FakePlaces places;

private:
    QTemporaryDir cacheFolder_;

public:
    FreedesktopThumbnails thumbnails{cacheFolder_.path() + QStringLiteral("/thumbnails")};
    // The user's choices, in a file of this test's own (none chosen at first).
    DesktopPreferences preferences{cacheFolder_.path() + QStringLiteral("/vutara.conf")};

private:
    std::unique_ptr<QtVolumes> realVolumes_;
    std::unique_ptr<FakeVolumes> fakeVolumes_;
    std::unique_ptr<QTemporaryDir> dataHome_;
    std::optional<QByteArray> previousDataHome_;
};

}  // namespace vu::testing
