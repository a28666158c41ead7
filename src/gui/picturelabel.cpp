#include "gui/picturelabel.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmap>

namespace kelto {

TPictureLabel::TPictureLabel(QWidget* parent, const QString& resource)
    : QLabel(parent)
    , m_resource(resource)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TPictureLabel::SetDeferredPicture(const QByteArray& bytes, const QByteArray& format)
{
    m_bytes = bytes;
    m_format = format;
    setPixmap(QPixmap());
    update();
}

void TPictureLabel::ShowPicture(const QPixmap& pixmap)
{
    m_bytes.clear();
    m_resource.clear();
    setPixmap(pixmap);
}

void TPictureLabel::DecodeNow()
{
    if (!m_bytes.isEmpty()) {
        QBuffer buffer(&m_bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, m_format);
        reader.setDecideFormatFromContent(false);
        setPixmap(QPixmap::fromImage(reader.read()));
    } else if (pixmap().isNull() && !m_resource.isEmpty()) {
        setPixmap(QPixmap(m_resource));
    }
    m_bytes.clear();
    m_resource.clear();
}

void TPictureLabel::paintEvent(QPaintEvent* e)
{
    if (!m_bytes.isEmpty() || !m_resource.isEmpty())
        DecodeNow();
    QLabel::paintEvent(e);
}

TPictureLabel* MakePictureLabel(QWidget* parent, const char* objectName, const QRect& geometry, const QString& resource)
{
    auto* l = new TPictureLabel(parent, resource);
    l->setObjectName(QLatin1String(objectName));
    l->setGeometry(geometry);
    return l;
}

} // namespace kelto
