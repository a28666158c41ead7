#include "gui/picturelabel.h"

#include <QPixmap>

namespace kelto {

QLabel* MakePictureLabel(QWidget* parent, const char* objectName, const QRect& geometry,
                         const QString& resource)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(objectName));
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setPixmap(QPixmap(resource));
    return l;
}

} // namespace kelto
