#include "app/tfabout.h"
#include "app/hotspot.h"
#include "gui/picturelabel.h"
#include "gui/report.h"
#include "gui/shellopen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kelto {

TfAbout::TfAbout(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(432, 198);
    m_image = MakePictureLabel(this, "Image1", {0, 0, 432, 198}, QStringLiteral(":/assets/about.bmp"));
    // The picture takes its clicks through a surface laid over it, so the
    // picture itself stays a plain control a plug-in can refill.
    m_surface = new THotSpot(QStringLiteral("Image1Surface"), rect(), this, false);
    connect(m_surface, &THotSpot::clicked, this, &TfAbout::CloseAbout);
    m_logo = new THotSpot(QStringLiteral("Label2"), QRect(13, 9, 105, 57), this, true);
    connect(m_logo, &THotSpot::clicked, this, &TfAbout::OpenPublisherSite);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TfAbout::CloseAbout()
{
    close();
}

void TfAbout::OpenPublisherSite()
{
    Guarded([] { OpenWithShell(QString::fromLatin1(PublisherAddress)); });
}

} // namespace kelto
