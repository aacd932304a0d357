// The texts of the thumbnails' information menu: a file's attribute and its date and time.
#pragma once

#include "platform/files.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace vu {

// The text of an attribute value (the sum of its flags): "通常ﾌｧｲﾙ" for 0, "読取専用" for 1,
// "隠しﾌｧｲﾙ" for 2, "ｼｽﾃﾑﾌｧｲﾙ" for 4, "ｱｰｶｲﾌﾞ" for 32. Any other value, a combination of
// flags included, has the empty text.
QString attributeText(int value);
// A date and time in the Japanese general date format, to the second: "2000/06/15 9:05:03";
// a time of exactly midnight is left out ("2000/06/15").
QString generalDate(const QDateTime& t);

// The pop-up menu's four captions for a file with this name, date and attribute; a date or
// attribute that could not be read leaves its text empty.
struct PopCaptions {
    QString show, name, date, attribute;
};
PopCaptions popCaptions(
    const QString& name, const std::optional<QDateTime>& modified, const std::optional<int>& attributes);

// The captions for `file` (empty: no file) as it is now: a file gone since its page was drawn
// still has its name; its date and attribute are left empty.
PopCaptions popCaptionsOf(Files& files, const QString& file);

// A caption as a menu item shows it: "&" stands for itself rather than marking a mnemonic, and a
// tab, which would start the shortcut column, is shown as a blank.
QString asMenuText(const QString& caption);

}  // namespace vu
