#include "settings.h"

#include "platform/cp932.h"

namespace vu {

int SettingsRec::offset(Field f)
{
    int at = 0;
    for (int i = 0; i < f; ++i)
        at += Width[i];
    return at;
}

SettingsRec::SettingsRec()
{
    for (int f = 0; f < FieldCount; ++f)
        fields_[f] = QString(Width[f], u' ');
}

void SettingsRec::setHeaders()
{
    set(PathHead, QStringLiteral("[Path]"));
    set(SlideHead, QStringLiteral("[Slideshow]"));
}

void SettingsRec::set(Field f, const QString& value)
{
    QString v = value.left(Width[f]);
    if (v.size() < Width[f])
        v += QString(Width[f] - v.size(), u' ');
    fields_[f] = v;
}

QString SettingsRec::value(Field f) const
{
    QString v = fields_[f];
    qsizetype end = v.size();
    while (end > 0 && (v.at(end - 1) == u' ' || v.at(end - 1) == QChar(0)))
        --end;
    v.truncate(end);
    return v;
}

QByteArray SettingsRec::toBytes() const
{
    QByteArray out;
    out.reserve(Size);
    for (int f = 0; f < FieldCount; ++f) {
        QByteArray bytes = cp932::cutToWidth(cp932::encode(fields_[f]), Width[f]);
        bytes.append(Width[f] - bytes.size(), ' ');
        out += bytes;
    }
    return out;
}

SettingsRec SettingsRec::fromBytes(const QByteArray& bytes)
{
    SettingsRec rec;
    for (int f = 0; f < FieldCount; ++f) {
        const QByteArray raw = bytes.mid(offset(Field(f)), Width[f]);
        rec.set(Field(f), cp932::decode(raw));
    }
    return rec;
}

QString startFolder(const SettingsRec& rec)
{
    QString folder = rec.value(SettingsRec::PathName);
    if (folder.isEmpty())
        return QStringLiteral("/");
    if (folder.size() == SettingsRec::Width[SettingsRec::PathName] && folder.endsWith(u'/'))
        folder.chop(1);
    if (folder.size() >= 2 && folder.at(1) == u':') {
        const QChar c = folder.at(0);
        if (c == u'c' || c == u'd' || c == u'e')
            folder[0] = c.toUpper();
    }
    return folder;
}

int slideSeconds(const SettingsRec& rec)
{
    const QChar c = rec.field(SettingsRec::SlideSec).at(0);
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : 0;
}

FsStatus readSettings(Files& files, const QString& path, SettingsRec* rec)
{
    QByteArray bytes;
    FsStatus s = files.readRecord(path, SettingsRec::Size, &bytes);
    if (s.ok())
        *rec = SettingsRec::fromBytes(bytes);
    return s;
}

FsStatus writeSettings(Files& files, const QString& path, const SettingsRec& rec)
{
    return files.writeRecord(path, rec.toBytes());
}

}  // namespace vu
