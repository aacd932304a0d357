// Rules of the batch window that need no widget: the image types and their patterns, the rename
// prefix, the log lines and the placements. The names given to copies and renamed files are the
// engine's (engine/names.h).
#pragma once

#include "engine/fileengine.h"
#include "engine/undo.h"
#include "shell/twipsscreen.h"
#include "shell/worktexts.h"

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

// ---- the four file commands ----

enum class LogKind { Copy, Move, Delete, Rename };

// What a file command asks before it runs, how its log names the files, and what the journal
// keeps of it (which also gives the title of the box that reports its failures, errorTitle()).
struct Operation {
    Command command;
    engine::ActionKind action;
    LogKind kind;
    QString confirmTitle;
    QString confirmText;
};
// The entry of Copy, Move, Rename or Delete.
const Operation& operation(Command command);

// What one outcome of a run shows: the file the window last worked on, the progress bar's value
// and the log line (empty: nothing to log). None for a step the log and the bar leave out (a
// file stepping out of another's way during a rename is logged at its own turn, by the name it
// had when the run began: `source` and `names` are the run's folder and files).
struct OutcomeEntry {
    QString file;
    int bar = 0;
    QString line;
};
std::optional<OutcomeEntry> outcomeEntry(
    Command command, const engine::Outcome& outcome, const QString& source, const QStringList& names);

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
