#include "preferences.h"

#include <QSettings>
#include <QStandardPaths>

namespace vu {
namespace {

const QString UseTrashKey = QStringLiteral("deletion/useTrash");

}  // namespace

DesktopPreferences::DesktopPreferences(const QString& file)
    : file_(file)
{
    // Read once: the choice is the program's own, and no other program changes it meanwhile.
    useTrash_ = QSettings(file_, QSettings::IniFormat).value(UseTrashKey, false).toBool();
}

QString DesktopPreferences::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/vutara/vutara.conf");
}

bool DesktopPreferences::useTrash() const
{
    return useTrash_;
}

bool DesktopPreferences::setUseTrash(bool on)
{
    useTrash_ = on;
    QSettings s(file_, QSettings::IniFormat);
    s.setValue(UseTrashKey, on);
    s.sync();
    return s.status() == QSettings::NoError;
}

}  // namespace vu
