// The picture controls of the windows (backgrounds, scheme pictures, the
// About picture): a plain label showing its picture unscaled from the top
// left corner, so that a plug-in can refill it the same way.
#pragma once
#include <QLabel>
#include <QRect>
#include <QString>

namespace kelto {

QLabel* MakePictureLabel(QWidget* parent, const char* objectName, const QRect& geometry,
                         const QString& resource);

} // namespace kelto
