#include "worktexts.h"

#include <algorithm>
#include <array>

namespace vu {
namespace {

const QChar Ideographic(0x3000);

QString tag(const QString& word)
{
    return Ideographic + u'[' + word + u']' + Ideographic;
}

}  // namespace

const QString& errorTitle(engine::ActionKind kind)
{
    static const std::array<QString, 4> titles = {QStringLiteral("コピーエラー"), QStringLiteral("移動エラー"),
        QStringLiteral("削除エラー"), QStringLiteral("リネームエラー")};
    return titles.at(std::size_t(kind));
}

QString undoLine(const engine::UndoOutcome& u)
{
    const bool copy = u.kind == engine::UndoEntry::RemoveCopy;
    const QString word = copy ? QStringLiteral("複写取消") : QStringLiteral("元に戻す");
    QString line;
    if (copy)
        line = u.now;
    else if (u.kind == engine::UndoEntry::Lost)
        line = u.back;
    else
        line = u.now + Ideographic + QStringLiteral("から") + Ideographic + u.back;
    if (u.done())
        return tag(word) + line;
    return tag(word + QStringLiteral("失敗")) + line + Ideographic + u'（' + u.reason + u'）';
}

QString undoQuestion(const engine::Action& action)
{
    static const char* const batchNames[] = {"一括コピー", "一括移動", "一括削除", "一括リネーム"};
    static const char* const dropNames[] = {"ドラッグでのコピー", "ドラッグでの移動", "ドラッグでの削除", "リネーム"};
    const int kind = int(action.kind);
    const QString what = QString::fromUtf8(action.drop ? dropNames[kind] : batchNames[kind]);
    if (action.drop && action.entries.size() == 1)
        return QStringLiteral("直前の%1を元に戻します。よろしいですか？\n").arg(what) + action.entries.front().back;
    return QStringLiteral("直前の%1（%2 件のファイル）を元に戻します。よろしいですか？")
        .arg(what)
        .arg(action.entries.size());
}

bool deletedForGood(const engine::Action& action)
{
    return !action.entries.empty() && std::all_of(action.entries.begin(), action.entries.end(), [](const auto& e) {
        return e.kind == engine::UndoEntry::Lost;
    });
}

QString cannotUndoText(const engine::Action& action)
{
    if (action.drop && action.entries.size() == 1)
        return QStringLiteral("直前のドラッグでの削除は完全な削除のため、ファイルを元に戻せません。\n")
            + action.entries.front().back;
    return QStringLiteral("直前の一括削除（%1 件のファイル）は完全な削除のため、ファイルを元に戻せません。")
        .arg(action.entries.size());
}

QString undoSummary(int leftAlone, const QStringList& lines)
{
    const QString head = QStringLiteral("%1 件のファイルを元に戻せませんでした。\n").arg(leftAlone);
    if (lines.isEmpty())
        return head + QStringLiteral("理由はログに記録されています。");
    constexpr int Shown = 10;
    QString text = head + lines.mid(0, Shown).join(u'\n');
    if (lines.size() > Shown)
        text += QStringLiteral("\n…ほか %1 件").arg(lines.size() - Shown);
    return text;
}

}  // namespace vu
