#include "info.h"

#include "platform/paths.h"

namespace vu {

QString attributeText(int value)
{
    switch (value) {
    case 0:
        return QStringLiteral("通常ﾌｧｲﾙ");
    case 1:
        return QStringLiteral("読取専用");
    case 2:
        return QStringLiteral("隠しﾌｧｲﾙ");
    case 4:
        return QStringLiteral("ｼｽﾃﾑﾌｧｲﾙ");
    case 32:
        return QStringLiteral("ｱｰｶｲﾌﾞ");
    default:
        return QString();
    }
}

QString generalDate(const QDateTime& t)
{
    if (!t.isValid())
        return QString();
    // File times are shown to the second: a time within the first second of the day counts as
    // midnight.
    const QTime time = t.time();
    const QString date = t.date().toString(QStringLiteral("yyyy/MM/dd"));
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + u' ' + time.toString(QStringLiteral("H:mm:ss"));
}

PopCaptions popCaptions(
    const QString& name, const std::optional<QDateTime>& modified, const std::optional<int>& attributes)
{
    return PopCaptions{
        QStringLiteral("■□　画像を表示　□■"),
        QStringLiteral("名称　") + name,
        QStringLiteral("日付　") + (modified ? generalDate(*modified) : QString()),
        QStringLiteral("属性　") + (attributes ? attributeText(*attributes) : QString()),
    };
}

QString asMenuText(const QString& caption)
{
    QString text = caption;
    text.replace(u'&', QStringLiteral("&&"));
    text.replace(u'\t', u' ');
    return text;
}

PopCaptions popCaptionsOf(Files& files, const QString& file)
{
    std::optional<QDateTime> modified;
    std::optional<int> attributes;
    if (!file.isEmpty()) {
        modified = files.modified(file);
        attributes = files.attributes(file);
    }
    return popCaptions(paths::fileName(file), modified, attributes);
}

}  // namespace vu
