#include "blocking.h"
#include "dialogs.h"
#include "paths.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace vu {
namespace {

// How long a dialog's folder model may take to read an empty folder once the dialog has closed.
constexpr std::chrono::milliseconds ModelPatience = blocking::VolumeDeadline / 3;

bool answersAsFolder(const QString& folder)
{
    QByteArray native;
    if (!paths::toNative(folder, &native))
        return false;
    return blocking::call<bool>(blocking::VolumeDeadline, [native] {
        struct stat st;
        return ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    }).value_or(false);
}

// Qt's file dialog remembers, for the whole run, the folder it was last accepted in, and goes
// there as it is built, before the folder it is asked to start in: one on a share that has
// stopped answering holds the dialog for ever. It does so only where it finds its remembered
// state in the QtProject settings, so the program's dialogs keep that state in a file of their
// own, emptied before each opening; other Qt programs keep theirs.
void forgetRememberedFolders()
{
    static const bool moved = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/vutara"));
        return true;
    }();
    Q_UNUSED(moved);
    QSettings(QSettings::UserScope, QStringLiteral("QtProject")).remove(QStringLiteral("FileDialog"));
}

// Whether the dialog's folder model still answers: it reads folders on a thread of its own,
// which the mount point of a share that stopped answering holds for ever, in any folder the
// dialog showed, and the model waits for that thread when it is destroyed. Asked to read an
// empty folder of its own, a model whose thread is held does not.
bool modelAnswers(QFileSystemModel* model)
{
    QTemporaryDir probe;
    if (!model || !probe.isValid())
        return false;
    struct Loaded {
        std::mutex mutex;
        std::condition_variable done;
        bool loaded = false;
    };
    auto loaded = std::make_shared<Loaded>();
    const QStringList names{probe.path(), QDir(probe.path()).canonicalPath()};
    QObject::connect(model, &QFileSystemModel::directoryLoaded, model, [loaded, names](const QString& path) {
        if (!names.contains(path))
            return;
        std::lock_guard lock(loaded->mutex);
        loaded->loaded = true;
        loaded->done.notify_all();
    });
    model->setRootPath(probe.path());
    // The model reports on this thread: the windows' waiter delivers that while it waits.
    return blocking::call<bool>(ModelPatience, [loaded] {
        std::unique_lock lock(loaded->mutex);
        return loaded->done.wait_for(lock, ModelPatience, [&] { return loaded->loaded; });
    }).value_or(false);
}

// Destroys a dialog that has closed, unless its folder model is held by a share that stopped
// answering: such a dialog is left behind, hidden and owned by nobody, for destroying it would
// wait for the share (also when the program ends).
void dispose(QFileDialog* dialog)
{
    if (modelAnswers(dialog->findChild<QFileSystemModel*>()))
        delete dialog;
    else
        dialog->setParent(nullptr);
}

}  // namespace

QString reachableStartFolder(const QString& wanted)
{
    if (!wanted.isEmpty() && answersAsFolder(wanted))
        return wanted;
    const QString home = QDir::homePath();
    return answersAsFolder(home) ? home : QStringLiteral("/");
}

MsgAnswer QtDialogs::message(
    QWidget* owner, const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(owner);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == MsgButtons::YesNo) {
        // A question whose careless answer would cost a file: No is the default, and Escape or
        // the close box answer No too.
        QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
        yes->setAccessibleName(QStringLiteral("はい"));
        QPushButton* no = box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
        no->setAccessibleName(QStringLiteral("いいえ"));
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setAccessibleName(QStringLiteral("OK"));
    box.setDefaultButton(ok);
    QPushButton* cancel = nullptr;
    if (buttons == MsgButtons::OkCancel) {
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return box.clickedButton() == ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

QString QtDialogs::chooseFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    forgetRememberedFolders();
    auto* dialog = new QFileDialog(owner, title, reachableStartFolder(startFolder));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOptions(
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog | QFileDialog::DontUseCustomDirectoryIcons);
    const QPointer<QFileDialog> open(dialog);  // its owner may go while it runs
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && open && !dialog->selectedFiles().isEmpty())
        chosen = paths::cleanFolder(dialog->selectedFiles().constFirst());
    if (open)
        dispose(dialog);
    return chosen;
}

std::optional<QString> QtDialogs::chooseFile(
    QWidget* owner, const QString& title, const QString& folder, const QStringList& filters, int selected)
{
    forgetRememberedFolders();
    auto* dialog = new QFileDialog(owner, title, reachableStartFolder(folder));
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The filters show by their names alone; their patterns still apply, letter case ignored.
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly | QFileDialog::HideNameFilterDetails
        | QFileDialog::DontUseCustomDirectoryIcons);
    dialog->setNameFilters(filters);
    if (selected >= 0 && selected < filters.size())
        dialog->selectNameFilter(filters.at(selected));
    const QPointer<QFileDialog> open(dialog);  // its owner may go while it runs
    std::optional<QString> chosen;
    if (dialog->exec() == QDialog::Accepted && open && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().constFirst();
    if (open)
        dispose(dialog);
    return chosen;
}

}  // namespace vu
