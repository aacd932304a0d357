#include "batchrules.h"

#include "platform/wildcard.h"

#include <algorithm>

namespace vu::batch {
namespace {

const QChar Ideographic(0x3000);

QString tag(const QString& word)
{
    return Ideographic + u'[' + word + u']' + Ideographic;
}
QString from()
{
    return Ideographic + QStringLiteral("から") + Ideographic;
}

QString word(LogKind kind)
{
    switch (kind) {
    case LogKind::Copy:
        return QStringLiteral("複写");
    case LogKind::Move:
        return QStringLiteral("移動");
    case LogKind::Delete:
        return QStringLiteral("削除");
    case LogKind::Rename:
        return QStringLiteral("リネーム");
    }
    return QString();
}

}  // namespace

const std::array<CommandEntry, 5>& commandTable()
{
    static const std::array<CommandEntry, 5> table = {{
        {Command::Copy, QStringLiteral("ｺﾋﾟｰ"), QStringLiteral("mnuSyoriCopy")},
        {Command::Move, QStringLiteral("移動"), QStringLiteral("mnuSyoriMove")},
        {Command::Rename, QStringLiteral("ﾘﾈｰﾑ"), QStringLiteral("mnuSyoriRename")},
        {Command::Delete, QStringLiteral("削除"), QStringLiteral("mnuSyoriDel")},
        {Command::Log, QStringLiteral("ログ"), QStringLiteral("mnuSyoriLog")},
    }};
    return table;
}

std::optional<Command> commandForKey(const QString& key)
{
    for (const CommandEntry& e : commandTable()) {
        if (e.key == key)
            return e.command;
    }
    return std::nullopt;
}

QString startFolder(const QString& curPath)
{
    return curPath.isEmpty() ? QStringLiteral("/") : curPath;
}

PrefixCheck checkPrefix(const QString& prefix)
{
    if (prefix.isEmpty())
        return PrefixCheck::Empty;
    // A leading dot hides the renamed files from every list ("." and ".." among them).
    if (prefix.startsWith(u'.'))
        return PrefixCheck::Unsafe;
    for (const QChar c : prefix) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control || c.isNull())
            return PrefixCheck::Unsafe;
    }
    return PrefixCheck::Usable;
}

QString logLine(LogKind kind, const QString& source, const QString& target)
{
    if (kind == LogKind::Delete)
        return tag(word(kind)) + source;
    return tag(word(kind)) + source + from() + target;
}

QString failureLine(LogKind kind, const QString& source, const QString& target, const QString& reason)
{
    const QString why = Ideographic + u'（' + reason + u'）';
    if (kind == LogKind::Delete)
        return tag(word(kind) + QStringLiteral("失敗")) + source + why;
    return tag(word(kind) + QStringLiteral("失敗")) + source + from() + target + why;
}

QString keptSourceLine(const QString& source, const QString& reason)
{
    return tag(QStringLiteral("移動元未削除")) + source + Ideographic + u'（' + reason + u'）';
}

QString failureSummary(LogKind kind, int failures)
{
    QString verb;
    switch (kind) {
    case LogKind::Copy:
        verb = QStringLiteral("コピー");
        break;
    case LogKind::Move:
        verb = QStringLiteral("移動");
        break;
    case LogKind::Delete:
        verb = QStringLiteral("削除");
        break;
    case LogKind::Rename:
        verb = QStringLiteral("リネーム");
        break;
    }
    return QStringLiteral("%1 件のファイルを%2できませんでした。\n理由はログに記録されています。")
        .arg(failures)
        .arg(verb);
}

QString notDeletedLine(const QString& source)
{
    return tag(QStringLiteral("削除中止")) + source + Ideographic
        + QStringLiteral("（ごみ箱を使えないドライブのため、削除しませんでした）");
}

QString deleteForGoodQuestion(const QString& where, bool batch)
{
    return QStringLiteral("このドライブにはごみ箱を使えないため、%1をごみ箱に移せません。\n"
                          "完全に削除しますか？（削除したファイルは元に戻せません）\n")
               .arg(batch ? QStringLiteral("ファイル") : QStringLiteral("このファイル"))
        + where;
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
        line = u.now + from() + u.back;
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

ConvPlacement convPlacement(double workAreaWidthTwips)
{
    if (workAreaWidthTwips > WideScreenAbove)
        return {2500, 1305};
    return {30, 1200};
}

LogPlacement logPlacement(double workAreaWidthTwips)
{
    if (workAreaWidthTwips > WideScreenAbove)
        return {8955, 1305, 15230, 10680};
    return {5650, 1200, 15230 / 1.29, 10680 / 1.29};
}

}  // namespace vu::batch
