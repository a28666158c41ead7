#include "calc/view/cardpage.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace kelto {

namespace {

// The page is drawn in tenths of a millimetre: fine enough for text sizes,
// whole numbers for the layout.
constexpr double Unit = 10.0;
constexpr double PageW = CardPageWidthMm * Unit, PageH = CardPageHeightMm * Unit;
constexpr double Left = 200, Right = PageW - 150, Top = 150;
constexpr double CaptionWidth = 860, Pad = 16, RowGap = 14;
constexpr double PictureW = 300, PictureH = 375, PictureGap = 40;

const QColor Ink(0, 0, 0), Rule(120, 120, 120), Faint(90, 90, 90);

QFont PageFont(double size, bool bold = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(int(size));
    f.setBold(bold);
    // The same shapes and widths on screen, on paper and in the PDF.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

double TextHeight(const QFont& font, double width, const QString& text, int flags)
{
    if (text.isEmpty())
        return QFontMetricsF(font).height();
    return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 1e6), flags, text).height();
}

// Draws `text` from `top` across `width`; returns the height taken.
double Paragraph(QPainter& p, const QFont& font, double left, double top, double width, const QString& text, int flags)
{
    const double h = TextHeight(font, width, text, flags);
    p.setFont(font);
    p.drawText(QRectF(left, top, width, h), flags, text);
    return h;
}

// A signature line: the caption, room to sign and the name.
void SignatureLine(QPainter& p, double top, const QString& caption, const QString& name)
{
    const QFont text = PageFont(36), small = PageFont(24);
    const double base = top + 50;
    p.setFont(text);
    p.drawText(QRectF(Left, top, 260, 60), Qt::AlignLeft | Qt::AlignBottom, caption + QLatin1Char(':'));
    const double signLeft = Left + 270, signRight = signLeft + 520;
    const double nameLeft = signRight + 60;
    p.setPen(QPen(Ink, 3));
    p.drawLine(QPointF(signLeft, base + 12), QPointF(signRight, base + 12));
    p.drawLine(QPointF(nameLeft, base + 12), QPointF(Right, base + 12));
    p.setFont(text);
    p.drawText(QRectF(nameLeft + 10, top, Right - nameLeft - 10, 60), Qt::AlignLeft | Qt::AlignBottom, name);
    p.setPen(Faint);
    p.setFont(small);
    p.drawText(QRectF(signLeft, base + 18, signRight - signLeft, 40), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("подпись"));
    p.drawText(QRectF(nameLeft, base + 18, Right - nameLeft, 40), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("фамилия, инициалы"));
    p.setPen(Ink);
}

} // namespace

void PaintCardPage(QPainter& p, const QRectF& paper, const TTechniqueCard& card)
{
    p.save();
    p.translate(paper.topLeft());
    p.scale(paper.width() / PageW, paper.height() / PageH);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    p.fillRect(QRectF(0, 0, PageW, PageH), Qt::white);
    p.setPen(Ink);

    const int centred = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    const double width = Right - Left;
    double y = Top;
    y += Paragraph(p, PageFont(52, true), Left, y, width, QString::fromUtf8(CardTitle), centred) + 24;
    y += Paragraph(p, PageFont(40, true), Left, y, width, card.standard, centred);
    if (!card.technique.isEmpty())
        y += 8 + Paragraph(p, PageFont(36), Left, y + 8, width, card.technique, centred);
    y += 60;

    // The scheme's picture stands right of the first rows, which make room
    // for it.
    const bool picture = card.scheme >= 0;
    const double pictureLeft = Right - PictureW;
    const double pictureBottom = y + PictureH + 60;
    if (picture) {
        const QImage image(QStringLiteral(":/assets/is%1.bmp").arg(card.scheme + 1));
        const QRectF frame(pictureLeft, y, PictureW, PictureH);
        if (!image.isNull())
            p.drawImage(frame, image);
        p.setPen(QPen(Rule, 3));
        p.drawRect(frame);
        p.setPen(Ink);
        const QStringList names = LayoutSchemeNames();
        Paragraph(p, PageFont(30), pictureLeft, y + PictureH + 8, PictureW,
                  QStringLiteral("Схема %1").arg(names.value(card.scheme)), centred);
    }

    const QFont captionFont = PageFont(38), valueFont = PageFont(38, true);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    const double tableTop = y;
    for (const TCardRow& row : card.rows) {
        const double right = picture && y < pictureBottom ? pictureLeft - PictureGap : Right;
        const double valueLeft = Left + CaptionWidth;
        const double captionH = TextHeight(captionFont, CaptionWidth - 2 * Pad, row.caption, flags);
        const double valueH = TextHeight(valueFont, right - valueLeft - 2 * Pad, row.value, flags);
        const double h = std::max(captionH, valueH) + 2 * RowGap;
        p.setFont(captionFont);
        p.drawText(QRectF(Left + Pad, y + RowGap, CaptionWidth - 2 * Pad, h), flags, row.caption);
        p.setFont(valueFont);
        p.drawText(QRectF(valueLeft + Pad, y + RowGap, right - valueLeft - 2 * Pad, h), flags, row.value);
        p.setPen(QPen(Rule, 3));
        p.drawRect(QRectF(Left, y, right - Left, h));
        p.drawLine(QPointF(valueLeft, y), QPointF(valueLeft, y + h));
        p.setPen(Ink);
        y += h;
    }
    if (picture)
        y = std::max(y, tableTop + PictureH + 60);

    y += 120;
    SignatureLine(p, y, QStringLiteral("Составил"), card.madeBy);
    y += 170;
    SignatureLine(p, y, QStringLiteral("Проверил"), card.checkedBy);
    p.restore();
}

QByteArray CardPdf(const TTechniqueCard& card)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                         QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(QString::fromUtf8(CardTitle));
        writer.setCreator(QStringLiteral("Кельто"));
        QPainter painter(&writer);
        PaintCardPage(painter, QRectF(0, 0, writer.width(), writer.height()), card);
    }
    return buffer.data();
}

} // namespace kelto
