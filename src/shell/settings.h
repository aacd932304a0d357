// The settings record: one 128-byte record of fixed-width CP932 text fields, the only record of
// the file "初期設定.ini" in the working directory. It keeps the folder shown last and the
// slide show's display time.
#pragma once

#include "platform/files.h"

#include <QString>

#include <array>

namespace vu {

inline const QString SettingsFileName = QStringLiteral("初期設定.ini");

struct SettingsRec {
    enum Field { PathHead, PathName, SlideHead, Spare1, Spare2, SlideSec, Spare3, Spare4, FieldCount };
    static constexpr std::array<int, FieldCount> Width = {6, 50, 11, 4, 4, 1, 1, 51};
    static constexpr int Size = 128;
    static int offset(Field f);

    // Every field starts as blanks.
    SettingsRec();

    // The field as held in memory: exactly Width[f] characters.
    const QString& field(Field f) const { return fields_[f]; }
    // Stores a value: left-aligned, padded with blanks or cut to the field's width in characters.
    void set(Field f, const QString& value);
    // The field's value without its padding (trailing blanks and zero bytes).
    QString value(Field f) const;
    // Writes the two section headers, "[Path]" and "[Slideshow]", as every window that saves the
    // record does.
    void setHeaders();

    // The record as written: each field encoded in CP932 and fitted to its width in bytes
    // (padded with blanks, or cut, never inside a double-byte character).
    QByteArray toBytes() const;
    // The record read from the first bytes of a file; missing bytes give empty fields.
    static SettingsRec fromBytes(const QByteArray& bytes);

private:
    std::array<QString, FieldCount> fields_;
};

// The folder the main window starts in: the stored folder without padding, "/" when empty; a
// separator that ends a field filled to all 50 characters is dropped; the drive letters c, d and
// e of a stored "x:..." path are upper-cased.
QString startFolder(const SettingsRec& rec);
// The slide show's display time in seconds: the leading digit of the one-character field, or 0.
int slideSeconds(const SettingsRec& rec);

// File access: every read and write opens and closes the file.
FsStatus readSettings(Files& files, const QString& path, SettingsRec* rec);
FsStatus writeSettings(Files& files, const QString& path, const SettingsRec& rec);

}  // namespace vu
