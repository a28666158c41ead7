#include "app/tfabout.h"
#include "app/hotspot.h"
#include "gui/picturelabel.h"
#include "gui/report.h"
#include "gui/shellopen.h"
#include "core/programfolder.h"
#include "gui/designfont.h"
#include "gui/skintargets.h"
#include "gui/linklabel.h"
#include "docs/documents.h"
#include "docs/view/docslist.h"

#include <QDir>

#include <QGuiApplication>
#include <QImage>
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
    // The version closes the picture's line "© … — свободная программа",
    // in the picture's own face and colour; the folder is its tooltip. A
    // click on it still closes the window.
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("lVersion"));
    m_version->setGeometry(280, 84, 144, 18);
    QFont bold = DesignFont(12);
    bold.setBold(true);
    m_version->setFont(bold);
    m_version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette pal = m_version->palette();
    pal.setColor(QPalette::WindowText, QColor(0x1a, 0x1a, 0x1a));
    m_version->setPalette(pal);
    m_version->setText(QStringLiteral("Версия %1").arg(ProgramVersion()));
    m_version->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The user's guide, on the free end of the requirements' heading line.
    m_guide = new TLinkLabel("lGuide", QString::fromUtf8(UserGuide.caption), this);
    m_guide->setFont(DesignFont(12));
    m_guide->adjustSize();
    m_guide->move(width() - 8 - m_guide->width(), 103);
    QPalette link = m_guide->palette();
    link.setColor(QPalette::WindowText, QColor(0x1a, 0x5f, 0xb4));
    m_guide->setPalette(link);
    connect(m_guide, &TLinkLabel::clicked, this, [] { OpenUserGuide(); });
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TfAbout::showEvent(QShowEvent* e)
{
    // The folder is known only once the main window has started up.
    m_version->setToolTip(AboutFolderLine(ProgramFolder()));
    // A plug-in's picture may be dark where the version stands: the text
    // takes whichever of dark or light reads on the ground under it.
    const QImage ground = m_image->grab(m_version->geometry()).toImage();
    qint64 sum = 0;
    qint64 count = 0;
    for (int y = 0; y < ground.height(); y += 2)
        for (int x = 0; x < ground.width(); x += 2, ++count)
            sum += qGray(ground.pixel(x, y));
    QPalette pal = m_version->palette();
    pal.setColor(QPalette::WindowText,
                 count && sum / count < 128 ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x1a, 0x1a, 0x1a));
    m_version->setPalette(pal);
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
