// Dialog service: message boxes, the folder chooser and the file-open dialog. Windows ask the
// user only through this interface, so tests answer from a script and never block.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace vu {

enum class MsgIcon { None, Information, Exclamation, Error };
enum class MsgButtons {
    Ok,
    OkCancel,
    YesNo,  // No is the default; closing the box answers No
};
enum class MsgAnswer { Ok, Cancel, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box; closing it counts as Cancel (as OK when it only has OK).
    virtual MsgAnswer message(
        QWidget* owner, const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons)
        = 0;
    // A modal folder chooser; the chosen folder without a trailing separator (except the root),
    // or the empty text when cancelled.
    virtual QString chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;
    // A modal file-open dialog starting in `folder` with `filters` ("name (patterns)") and
    // filters[selected] in force; the chosen file's full path, or nothing when cancelled. It never
    // changes the process's working directory.
    virtual std::optional<QString> chooseFile(
        QWidget* owner, const QString& title, const QString& folder, const QStringList& filters, int selected)
        = 0;
};

// The folder a folder chooser or file dialog starts in: `wanted` where it answers as a folder
// within blocking::VolumeDeadline (a dialog started on a share that stopped answering would never
// open), else the home folder, else the root.
QString reachableStartFolder(const QString& wanted);

// Qt's own dialogs. The choosers start in a folder that answers, never go to folders remembered
// from earlier runs, and a chooser whose folder model a share that stopped answering holds is
// left behind hidden instead of being destroyed.
class QtDialogs final : public Dialogs {
public:
    MsgAnswer message(
        QWidget* owner, const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    std::optional<QString> chooseFile(
        QWidget* owner, const QString& title, const QString& folder, const QStringList& filters, int selected) override;
};

}  // namespace vu
