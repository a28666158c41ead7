#include "app/tfabout.h"
#include "app/hotspot.h"
#include "gui/picturelabel.h"
#include "gui/report.h"
#include "gui/shellopen.h"
#include "core/programfolder.h"
#include "gui/designfont.h"
#include "gui/skintargets.h"

#include <QDir>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kelto {

QString ProgramVersion()
{
    return QString::fromLatin1(KELTO_VERSION);
}

QString AboutFolderLine(const QString& programFolder)
{
    return QStringLiteral("Версия %1. Папка программы и записей: %2")
        .arg(ProgramVersion(), QDir::toNativeSeparators(QDir::cleanPath(programFolder)));
}

TfAbout::TfAbout(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(AboutPictureSize);
    m_image = MakePictureLabel(this, "Image1", QRect(QPoint(0, 0), AboutPictureSize), QStringLiteral(":/assets/about.bmp"));
    // The picture takes its clicks through a surface laid over it, so the
    // picture itself stays a plain control a plug-in can refill.
    m_surface = new THotSpot(QStringLiteral("Image1Surface"), rect(), this, false);
    connect(m_surface, &THotSpot::clicked, this, &TfAbout::CloseAbout);
    m_logo = new THotSpot(QStringLiteral("Label2"), QRect(13, 9, 105, 57), this, true);
    connect(m_logo, &THotSpot::clicked, this, &TfAbout::OpenPublisherSite);
    // Over the picture's lower edge, whatever picture a plug-in gives; a
    // click on it still closes the window.
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("lVersion"));
    m_version->setGeometry(0, 182, 432, 16);
    m_version->setFont(DesignFont(11));
    m_version->setContentsMargins(4, 0, 4, 0);
    m_version->setAutoFillBackground(true);
    QPalette pal = m_version->palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 255, 215));
    pal.setColor(QPalette::WindowText, Qt::black);
    m_version->setPalette(pal);
    m_version->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TfAbout::showEvent(QShowEvent* e)
{
    // The folder is known only once the main window has started up.
    const QString line = AboutFolderLine(ProgramFolder());
    const int room = m_version->width() - 8;
    m_version->setText(m_version->fontMetrics().elidedText(line, Qt::ElideMiddle, room));
    m_version->setToolTip(line);
    QDialog::showEvent(e);
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
