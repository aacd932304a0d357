// Texts about file work that several windows show: the titles of the boxes that report a failed
// copy, move, delete or rename (the batch window's runs and the main window's drops alike), and
// everything 元に戻す says, whichever window it runs from.
#pragma once

#include "engine/undo.h"

#include <QString>
#include <QStringList>

namespace vu {

// "コピーエラー", "移動エラー", "削除エラー", "リネームエラー".
const QString& errorTitle(engine::ActionKind kind);

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

}  // namespace vu
