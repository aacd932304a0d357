#include "batchrules.h"

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

const std::array<QString, 5>& typeNameTable()
{
    static const std::array<QString, 5> names = {QStringLiteral("all"), QStringLiteral("bmp"), QStringLiteral("jpg"),
        QStringLiteral("gif"), QStringLiteral("ico")};
    return names;
}

QString patternForType(const QString& typeName)
{
    if (typeName == QStringLiteral("bmp") || typeName == QStringLiteral("jpg") || typeName == QStringLiteral("gif")
        || typeName == QStringLiteral("ico"))
        return QStringLiteral("*.") + typeName;
    return QStringLiteral("*.jpg;*.bmp;*.gif;*.ico");
}

PrefixCheck checkPrefix(const QString& prefix)
{
    if (prefix == CancelMarker)
        return PrefixCheck::Cancelled;
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
