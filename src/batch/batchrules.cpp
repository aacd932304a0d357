#include "batchrules.h"

#include "platform/paths.h"
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

const Operation& operation(Command command)
{
    using engine::ActionKind;
    static const std::array<Operation, 4> table = {{
        {Command::Copy, ActionKind::Copy, LogKind::Copy, QStringLiteral("一括コピー"),
            QStringLiteral("ファイルコピーを行います。よろしいですか？")},
        {Command::Move, ActionKind::Move, LogKind::Move, QStringLiteral("一括移動"),
            QStringLiteral("ファイル移動を行います。よろしいですか？")},
        {Command::Rename, ActionKind::Rename, LogKind::Rename, QStringLiteral("一括リネーム"),
            QStringLiteral("ファイルリネームを行います。よろしいですか？")},
        {Command::Delete, ActionKind::Delete, LogKind::Delete, QStringLiteral("一括削除"),
            QStringLiteral("削除処理を行います。よろしいですか？")},
    }};
    return table.at(std::min(std::size_t(command), table.size() - 1));
}

std::optional<OutcomeEntry> outcomeEntry(
    Command command, const engine::Outcome& o, const QString& source, const QStringList& names)
{
    const LogKind kind = operation(command).kind;
    switch (command) {
    case Command::Copy:
    case Command::Move:
        if (o.step == engine::Step::Copy)
            return OutcomeEntry{o.from, o.index + 1,
                o.done() ? logLine(kind, o.from, o.to) : failureLine(kind, o.from, o.to, o.reason)};
        // A source kept because its copy is not known to be safe, or it changed since.
        return OutcomeEntry{o.from, o.index + 1, o.failed() ? keptSourceLine(o.from, o.reason) : QString()};
    case Command::Delete:
        if (o.error == err::NoTrash && !o.failed())
            return OutcomeEntry{o.from, o.index, notDeletedLine(o.from)};
        return OutcomeEntry{
            o.from, o.index, o.done() ? logLine(kind, o.from) : failureLine(kind, o.from, QString(), o.reason)};
    case Command::Rename: {
        if (o.step != engine::Step::Rename || o.index < 0 || o.index >= names.size())
            return std::nullopt;
        const QString file = paths::join(source, names[o.index]);
        return OutcomeEntry{
            file, o.index + 1, o.done() ? logLine(kind, file, o.to) : failureLine(kind, file, o.to, o.reason)};
    }
    case Command::Log:
        break;
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
