// Rules of the batch window that need no widget: the image types and their patterns, the rename
// prefix, the log lines and the placements. The names given to copies and renamed files are the
// engine's (engine/names.h).
#pragma once

#include "engine/undo.h"
#include "shell/twipsscreen.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vu::batch {

// ---- commands ----

// The commands of the 処理選択 menu that the toolbar offers too, in their order there.
enum class Command { Copy, Move, Rename, Delete, Log };
struct CommandEntry {
    Command command;
    QString key;  // the menu item's text and the toolbar button's key
    QString menuName;  // the menu item's object name
};
const std::array<CommandEntry, 5>& commandTable();
// The command a toolbar button with this key runs; none for a key of no command.
std::optional<Command> commandForKey(const QString& key);

// ---- rename ----

enum class PrefixCheck {
    Empty,
    Unsafe,  // would lead files out of their folder, hide them, or hold control characters
    Usable,
};
PrefixCheck checkPrefix(const QString& prefix);

// ---- log ----

// The most lines the log store keeps; beyond it the oldest lines make room for new ones.
inline constexpr int MaxLogLines = 32767;

enum class LogKind { Copy, Move, Delete, Rename };
// A line for a file done: "　[複写]　" + source + "　から　" + target, and so on.
QString logLine(LogKind kind, const QString& source, const QString& target = QString());
// A line for a file that failed, with the reason: "　[複写失敗]　" + source + "　から　" + target
// + "　（" + reason + "）". A delete line has no target.
QString failureLine(LogKind kind, const QString& source, const QString& target, const QString& reason);
// The line for the source of a move that was kept because its copy is not known to be safe.
QString keptSourceLine(const QString& source, const QString& reason);
// The text of the box that ends a run in which some files failed.
QString failureSummary(LogKind kind, int failures);
// The line for a file kept because its volume has no trash and the user chose not to delete
// it for good.
QString notDeletedLine(const QString& source);

// ---- deleting where there is no trash ----

// The question before files are deleted for good because their volume has no trash: `where` is
// the file (a drop) or the folder (a batch run).
QString deleteForGoodQuestion(const QString& where, bool batch);

// ---- undo ----

inline const QString UndoTitle = QStringLiteral("元に戻す");
// The line for one file of an undo: "　[元に戻す]　" + where it was + "　から　" + where it went
// back, or for a copy removed "　[複写取消]　" + the copy; a file left alone gets the tag with
// "失敗" and the reason.
QString undoLine(const engine::UndoOutcome& outcome);
// The question before the newest action is undone.
QString undoQuestion(const engine::Action& action);
// Whether every file of `action` was deleted for good, so that nothing of it can come back; the
// text that says so plainly, in place of the question.
bool deletedForGood(const engine::Action& action);
QString cannotUndoText(const engine::Action& action);
// The text of the box that ends an undo in which some files were left alone: the log holds the
// reasons, or, where there is no log to read, the first of `lines` are in the box.
QString undoSummary(int leftAlone, const QStringList& lines = {});

// ---- loading ----

// The folder both panes start on: the current folder, or the root where closing at the root left
// an empty one.
QString startFolder(const QString& curPath);

// ---- placement (twips) ----

inline constexpr double WideScreenAbove = LargeScreenAboveTwips;

struct ConvPlacement {
    int left = 0, top = 0;
};
ConvPlacement convPlacement(double workAreaWidthTwips);

struct LogPlacement {
    int left = 0, top = 0;
    double listWidth = 0, listHeight = 0;
};
LogPlacement logPlacement(double workAreaWidthTwips);

}  // namespace vu::batch
