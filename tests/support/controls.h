// The controls of a window by their design names (objectName): the views
// keep their widgets to themselves, and a test reaches a control as the
// glossary names it.
#pragma once
#include <QObject>
#include <QtGlobal>

class QWidget;

namespace kelto::testing {

template <class T = QWidget> T* Control(const QObject& root, const char* name)
{
    T* control = root.findChild<T*>(QLatin1String(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

} // namespace kelto::testing
