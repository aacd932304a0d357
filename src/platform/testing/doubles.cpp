#include "doubles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QThread>

#include <iterator>

namespace vu::testing {

MsgAnswer ScriptedDialogs::message(
    QWidget* owner, const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons)
{
    Question q{Question::Message, title, text, icon, buttons, {}, {}, -1, owner};
    asked << q;
    if (onQuestion)
        onQuestion(q);
    if (messages_.empty()) {
        ++unanswered;
        if (buttons == MsgButtons::YesNo)
            return MsgAnswer::No;
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    const MsgAnswer a = messages_.front();
    messages_.pop_front();
    return a;
}

QString ScriptedDialogs::chooseFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    Question q{Question::Folder, title, {}, MsgIcon::None, MsgButtons::Ok, startFolder, {}, -1, owner};
    asked << q;
    if (onQuestion)
        onQuestion(q);
    if (folders_.empty()) {
        ++unanswered;
        return QString();
    }
    QString a = folders_.front();
    folders_.pop_front();
    return a;
}

std::optional<QString> ScriptedDialogs::chooseFile(
    QWidget* owner, const QString& title, const QString& folder, const QStringList& filters, int selected)
{
    Question q{Question::File, title, {}, MsgIcon::None, MsgButtons::Ok, folder, filters, selected, owner};
    asked << q;
    if (onQuestion)
        onQuestion(q);
    if (files_.empty()) {
        ++unanswered;
        return std::nullopt;
    }
    const std::optional<QString> a = files_.front();
    files_.pop_front();
    // Not moved: g++ 12 warns that a moved std::optional<QString> may be used uninitialised.
    return a;  // NOLINT(performance-no-automatic-move)
}

std::function<bool()> FakeVolumes::readiness(const QString& root)
{
    for (const Volume& v : volumes) {
        if (v.root == root)
            return [ready = v.ready, root] { return ready && QDir(root).exists(); };
    }
    return [] { return false; };
}

std::optional<FsStatus> FaultyFiles::injected(Op op, const QString& path)
{
    if (before) {
        // Runs on the windows' thread, as the test that set it expects, while the run waits.
        QCoreApplication* app = QCoreApplication::instance();
        if (app && QThread::currentThread() != app->thread())
            QMetaObject::invokeMethod(
                app, [&] { before(op, path); }, Qt::BlockingQueuedConnection);
        else
            before(op, path);
    }
    QMutexLocker lock(&injectMutex_);
    ++calls_[int(op)];
    for (Rule& r : rules_) {
        if (r.op != op || r.remaining == 0 || !r.matches(path))
            continue;
        if (r.remaining > 0)
            --r.remaining;
        return FsStatus::failure(r.error, path + QStringLiteral(": injected failure"));
    }
    return std::nullopt;
}

FsStatus FaultyFiles::readRecord(const QString& path, qsizetype size, QByteArray* out)
{
    if (auto f = injected(Op::Read, path))
        return *f;
    return real_.readRecord(path, size, out);
}

FsStatus FaultyFiles::writeRecord(const QString& path, const QByteArray& record)
{
    if (auto f = injected(Op::Write, path))
        return *f;
    return real_.writeRecord(path, record);
}

FsStatus FaultyFiles::copyFile(const QString& from, const QString& to, Replace mode, CopyRecord* record)
{
    if (auto f = injected(Op::Copy, to))
        return *f;
    return real_.copyFile(from, to, mode, record);
}

FsStatus FaultyFiles::removeFile(const QString& path)
{
    if (auto f = injected(Op::Remove, path))
        return *f;
    return real_.removeFile(path);
}

FsStatus FaultyFiles::removeIfUnchanged(const QString& path, const FileIdentity& expected)
{
    if (auto f = injected(Op::Remove, path))
        return *f;
    return real_.removeIfUnchanged(path, expected);
}

FsStatus FaultyFiles::renameFile(const QString& from, const QString& to)
{
    if (auto f = injected(Op::Rename, from))
        return *f;
    return real_.renameFile(from, to);
}

FsStatus FaultyFiles::syncFolder(const QString& folder)
{
    if (auto f = injected(Op::Sync, folder))
        return *f;
    return real_.syncFolder(folder);
}

FsStatus FaultyFiles::moveToTrash(const QString& path, TrashedFile* where)
{
    if (auto f = injected(Op::Remove, path))
        return *f;
    return real_.moveToTrash(path, where);
}

FsStatus FaultyFiles::restoreFromTrash(
    const TrashedFile& trashed, const QString& original, const FileIdentity& expected)
{
    if (auto f = injected(Op::Rename, original))
        return *f;
    return real_.restoreFromTrash(trashed, original, expected);
}

FsStatus FaultyFiles::listDir(const QString& folder, std::vector<DirEntry>* out, Listing which)
{
    if (auto f = injected(Op::List, folder)) {
        out->clear();
        return *f;
    }
    return real_.listDir(folder, out, which);
}

std::optional<QSize> FaultyPictures::naturalSize(const QString& path)
{
    if (failing && failing(path))
        return std::nullopt;
    return real_.naturalSize(path);
}

std::optional<PictureResult> FaultyPictures::begin(const QString& path)
{
    {
        QMutexLocker lock(&mutex_);
        ++loads_;
    }
    if (failing && failing(path))
        return PictureResult::failure(err::InvalidPicture, path + QStringLiteral(": injected failure"));
    return std::nullopt;
}

PictureResult FaultyPictures::load(const QString& path)
{
    if (auto fail = begin(path))
        return *fail;
    return real_.load(path);
}

PictureResult FaultyPictures::loadScaled(const QString& path, QSize box)
{
    if (auto fail = begin(path))
        return *fail;
    return real_.loadScaled(path, box);
}

PictureResult FaultyPictures::loadFitted(const QString& path, QSize bound)
{
    if (auto fail = begin(path))
        return *fail;
    return real_.loadFitted(path, bound);
}

PictureResult FaultyPictures::loadFirstView(const QString& path, const QImage& thumbnail)
{
    if (auto fail = begin(path))
        return *fail;
    return real_.loadFirstView(path, thumbnail);
}

int FaultyPictures::loads() const
{
    QMutexLocker lock(&mutex_);
    return loads_;
}

TestPlatform::TestPlatform()
    : realVolumes_(std::make_unique<QtVolumes>())
    , dataHome_(std::make_unique<QTemporaryDir>())
{
    if (qEnvironmentVariableIsSet("XDG_DATA_HOME"))
        previousDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_->path()));
}

TestPlatform::~TestPlatform()
{
    if (previousDataHome_)
        qputenv("XDG_DATA_HOME", *previousDataHome_);
    else
        qunsetenv("XDG_DATA_HOME");
}

QString FakePlaces::folder(Place place) const
{
    // In the order of Place.
    static const char* const relative[] = {"", "/Desktop", "/.local/share/applications", "/Documents",
        "/.local/share/fonts", "/.config/autostart", "/.local/share/Trash/files", "/Templates"};
    static_assert(std::size(relative) == size_t(Place::Templates) + 1);
    return home + QString::fromLatin1(relative[int(place)]);
}

QString TestPlatform::homeTrash() const
{
    return dataHome_->filePath(QStringLiteral("Trash"));
}

FakeVolumes& TestPlatform::useFakeVolumes()
{
    if (!fakeVolumes_)
        fakeVolumes_ = std::make_unique<FakeVolumes>();
    return *fakeVolumes_;
}

Platform TestPlatform::platform()
{
    Volumes* volumes = fakeVolumes_ ? static_cast<Volumes*>(fakeVolumes_.get()) : realVolumes_.get();
    return {
        &files, &pictures, &dialogs, &screen, volumes, &clock, &urls, &windowing, &thumbnails, &places, &preferences};
}

}  // namespace vu::testing
