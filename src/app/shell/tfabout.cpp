#include "app/shell/tfabout.h"
#include "app/shell/hotspot.h"
#include "app/report.h"
#include "docs/shellopen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kelto {

TfAbout::TfAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(432, 198);
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(0, 0, 432, 198);
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setPixmap(QPixmap(QStringLiteral(":/assets/about.bmp")));
    // The picture takes its clicks through a surface laid over it, so the
    // picture itself stays a plain control a plug-in can refill.
    m_surface = new THotSpot(QStringLiteral("Image1Surface"), rect(), this, false);
    connect(m_surface, &THotSpot::clicked, this, &TfAbout::Image1Click);
    m_logo = new THotSpot(QStringLiteral("Label2"), QRect(13, 9, 105, 57), this, true);
    connect(m_logo, &THotSpot::clicked, this, &TfAbout::Label2Click);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TfAbout::Image1Click()
{
    close();
}

void TfAbout::Label2Click()
{
    Guarded([] { OpenWithShell(QString::fromLatin1(PublisherAddress)); });
}

} // namespace kelto
