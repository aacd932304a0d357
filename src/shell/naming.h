// Names of the windows' controls: the object name that code and tests find a control by, and the
// accessible name that screen readers announce.
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

namespace vu {

// A menu, an action or another object that is not a control: an object name only.
inline void nameObject(QObject* o, const QString& objectName)
{
    o->setObjectName(objectName);
}

// A control; its accessible name is its object name unless another is given.
inline void nameWidget(QWidget* w, const QString& objectName, const QString& accessible = {})
{
    w->setObjectName(objectName);
    w->setAccessibleName(accessible.isEmpty() ? objectName : accessible);
}

}  // namespace vu
