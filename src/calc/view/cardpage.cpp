#include "calc/view/cardpage.h"
#include "calc/view/cardsketch.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QFontInfo>
#include <QRawFont>
#include <algorithm>
#include <vector>
#include <QTextLayout>

namespace kelto {

namespace {

// The page is drawn in tenths of a millimetre: fine enough for text sizes,
// whole numbers for the layout.
constexpr double Unit = 10.0;
constexpr double PageW = CardPageWidthMm * Unit, PageH = CardPageHeightMm * Unit;
constexpr double Left = 200, Right = PageW - 150, Top = 120, Bottom = PageH - 120;
constexpr double CaptionWidth = 780, Pad = 14, RowGap = 10;
constexpr double PictureW = 420, PictureH = 500, PictureGap = 40;
constexpr double ApprovalW = 760;
// A typographic point in page units.
constexpr double Point = 25.4 / 72 * Unit;

const QColor Ink(0, 0, 0), Rule(120, 120, 120), Faint(90, 90, 90);

QFont PageFont(double size, bool bold = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    // What Liberation Sans lacks comes from the other bundled font.
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(std::max(1, int(size)));
    f.setBold(bold);
    // The same shapes and widths on screen, on paper and in the PDF.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

// Lays `text` out across `width`, at word boundaries and, for a word longer
// than the width (a pasted code, a long number), anywhere; draws it from
// `topLeft` when there is a painter. Returns the height taken.
double Wrapped(QPainter* p, const QFont& font, QPointF topLeft, double width, const QString& text, int flags)
{
    if (text.isEmpty())
        return QFontMetricsF(font).height();
    QTextLayout layout(text, font);
    QTextOption option(Qt::Alignment(flags & Qt::AlignHorizontal_Mask));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    if (p)
        layout.draw(p, topLeft);
    return height;
}

double TextHeight(const QFont& font, double width, const QString& text, int flags)
{
    return Wrapped(nullptr, font, QPointF(), width, text, flags);
}

// One pass over the page: measures, and draws when it has a painter.
class TPageLayout {
public:
    TPageLayout(QPainter* painter, double pt)
        : p(painter)
        , s(pt / CardFontPt)
        , row(pt * Point)
    {
    }

    // Draws `text` from `top` across `width`; returns the height taken.
    double Paragraph(const QFont& font, double left, double top, double width, const QString& text, int flags)
    {
        return Wrapped(p, font, QPointF(left, top), width, text, flags);
    }

    void Line(double x1, double y1, double x2, double y2, const QColor& colour, double width)
    {
        if (!p)
            return;
        p->setPen(QPen(colour, width));
        p->drawLine(QPointF(x1, y1), QPointF(x2, y2));
        p->setPen(Ink);
    }

    // "УТВЕРЖДАЮ" at the top right; empty fields leave lines to fill in.
    double Approval(const TTechniqueCard& card, double top)
    {
        const double left = Right - ApprovalW;
        const QFont text = PageFont(row), small = PageFont(row * 0.7), bold = PageFont(row, true);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        double y = top + Paragraph(bold, left, top, ApprovalW, QStringLiteral("УТВЕРЖДАЮ"), flags) + 8 * s;
        const auto filled = [&](const QString& value, const QString& under) {
            const double h = value.isEmpty() ? row * 1.4 : Paragraph(text, left, y, ApprovalW, value, flags) + 4 * s;
            Line(left, y + h, Right, y + h, Ink, 2);
            y += h;
            if (!under.isEmpty())
                y += Paragraph(small, left, y + 2, ApprovalW, under, Qt::AlignHCenter | Qt::AlignTop);
            y += 6 * s;
        };
        filled(card.approverPosition, QStringLiteral("должность"));
        // The signature and the name on one line.
        const double signRight = left + ApprovalW * 0.4;
        const double nameH = card.approverName.isEmpty()
            ? row * 1.4
            : Paragraph(text, signRight + 30, y, Right - signRight - 30, card.approverName, flags) + 4 * s;
        Line(left, y + nameH, signRight, y + nameH, Ink, 2);
        Line(signRight + 30, y + nameH, Right, y + nameH, Ink, 2);
        y += nameH;
        Paragraph(small, left, y + 2, signRight - left, QStringLiteral("подпись"), Qt::AlignHCenter | Qt::AlignTop);
        y += Paragraph(small, signRight + 30, y + 2, Right - signRight - 30, QStringLiteral("фамилия, инициалы"),
                       Qt::AlignHCenter | Qt::AlignTop)
            + 10 * s;
        y += Paragraph(text, left, y, ApprovalW, QStringLiteral("«___» ____________ 20__ г."), flags);
        return y;
    }

    // A signature line: the caption, room to sign, the name and under it the
    // qualification.
    double Signature(double top, const QString& caption, const QString& name, const QString& qualification)
    {
        const QFont text = PageFont(row * 0.95), small = PageFont(row * 0.65);
        const double captionW = 250 * s;
        const double signLeft = Left + captionW + 10, signRight = signLeft + 420 * s;
        const double nameLeft = signRight + 50;
        const int flags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap;
        const double nameH = std::max(row * 1.5, TextHeight(text, Right - nameLeft - 10, name, flags));
        const double base = top + nameH;
        const QString label = caption + QLatin1Char(':');
        Paragraph(text, Left, base - TextHeight(text, captionW, label, flags), captionW, label, flags);
        Paragraph(text, nameLeft + 10, base - TextHeight(text, Right - nameLeft - 10, name, flags),
                  Right - nameLeft - 10, name, flags);
        Line(signLeft, base + 6, signRight, base + 6, Ink, 3);
        Line(nameLeft, base + 6, Right, base + 6, Ink, 3);
        if (p)
            p->setPen(Faint);
        Paragraph(small, signLeft, base + 10, signRight - signLeft, QStringLiteral("подпись"),
                  Qt::AlignHCenter | Qt::AlignTop);
        double y = base + 10
            + Paragraph(small, nameLeft, base + 10, Right - nameLeft, QStringLiteral("фамилия, инициалы"),
                        Qt::AlignHCenter | Qt::AlignTop);
        if (p)
            p->setPen(Ink);
        if (!qualification.isEmpty())
            y += 4
                + Paragraph(text, nameLeft, y + 4, Right - nameLeft, qualification,
                            Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
        return y;
    }

    // The whole page; returns where its last line ends.
    double Page(const TTechniqueCard& card)
    {
        const int centred = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
        const double width = Right - Left;
        double y = Approval(card, Top) + 40 * s;
        y += Paragraph(PageFont(row * 1.37, true), Left, y, width, QString::fromUtf8(CardTitle), centred) + 12 * s;
        if (!card.number.isEmpty())
            y += Paragraph(PageFont(row * 1.1, true), Left, y, width, QStringLiteral("Карта № ") + card.number, centred)
                + 8 * s;
        y += Paragraph(PageFont(row * 1.05, true), Left, y, width, card.standard, centred);
        if (!card.technique.isEmpty())
            y += 6 * s + Paragraph(PageFont(row * 0.95), Left, y + 6 * s, width, card.technique, centred);
        y += 40 * s;

        // The sketch stands right of the first rows, which make room for it.
        const bool picture = card.scheme >= 0 || card.isoTechnique >= 0;
        const double pictureW = PictureW * s, pictureH = PictureH * s;
        const double pictureLeft = Right - pictureW;
        const double pictureBottom = y + pictureH + row * 1.6;
        if (picture && p) {
            const QRectF frame(pictureLeft, y, pictureW, pictureH);
            DrawCardSketch(*p, frame.adjusted(10, 10, -10, -10), card);
            p->setPen(QPen(Rule, 3));
            p->setBrush(Qt::NoBrush);
            p->drawRect(frame);
            p->setPen(Ink);
        }
        if (picture) {
            const QString name = card.scheme >= 0
                ? QStringLiteral("Схема %1").arg(LayoutSchemeNames().value(card.scheme))
                : QStringLiteral("Схема просвечивания");
            Paragraph(PageFont(row * 0.8), pictureLeft, y + pictureH + 6, pictureW, name, centred);
        }

        const QFont captionFont = PageFont(row), valueFont = PageFont(row, true);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        const double captionW = CaptionWidth * s;
        const double gap = RowGap * s;
        for (const TCardRow& r : card.rows) {
            const double right = picture && y < pictureBottom ? pictureLeft - PictureGap : Right;
            const double valueLeft = Left + captionW;
            const double captionH = TextHeight(captionFont, captionW - 2 * Pad, r.caption, flags);
            const double valueH = TextHeight(valueFont, right - valueLeft - 2 * Pad, r.value, flags);
            const double h = std::max(captionH, valueH) + 2 * gap;
            Paragraph(captionFont, Left + Pad, y + gap, captionW - 2 * Pad, r.caption, flags);
            Paragraph(valueFont, valueLeft + Pad, y + gap, right - valueLeft - 2 * Pad, r.value, flags);
            if (p) {
                p->setPen(QPen(Rule, 3));
                p->setBrush(Qt::NoBrush);
                p->drawRect(QRectF(Left, y, right - Left, h));
                p->drawLine(QPointF(valueLeft, y), QPointF(valueLeft, y + h));
                p->setPen(Ink);
            }
            y += h;
        }
        if (picture)
            y = std::max(y, pictureBottom);

        y += 60 * s;
        y = Signature(y, QStringLiteral("Составил"), card.madeBy, card.madeByQualification);
        y += 40 * s;
        return Signature(y, QStringLiteral("Проверил"), card.checkedBy, card.checkedByQualification);
    }

private:
    QPainter* p;
    double s;   // the layout's scale with the font
    double row; // the rows' text size in page units
};

// The sizes tried, largest first: half a point at a time.
QList<double> FontSteps()
{
    QList<double> steps;
    for (double pt = CardFontPt; pt >= CardMinFontPt - 1e-9; pt -= 0.5)
        steps << pt;
    return steps;
}

} // namespace

QString CardUndrawable(const QString& text)
{
    // Asked on every keystroke: the fonts are opened once.
    static const std::vector<QRawFont> fonts = [] {
        std::vector<QRawFont> all;
        for (const QString& family : PageFont(40).families())
            for (bool bold : {false, true}) {
                QFont f = PageFont(40, bold);
                f.setFamilies({family});
                if (const QRawFont raw = QRawFont::fromFont(f); QFontInfo(f).family() == family)
                    all.push_back(raw);
            }
        return all;
    }();
    const auto draws = [](char32_t c, bool bold) {
        return std::any_of(fonts.begin(), fonts.end(),
                           [&](const QRawFont& f) { return (f.weight() > QFont::Normal) == bold && f.supportsCharacter(c); });
    };
    const QString printed = CardPrintable(text);
    for (const char32_t c : printed.toUcs4()) {
        if (draws(c, false) && draws(c, true))
            continue;
        const QString one = QString::fromUcs4(&c, 1);
        const bool visible = QChar::isPrint(c) && !QChar::isSpace(c);
        return visible ? QStringLiteral("«%1»").arg(one)
                       : QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    }
    return QString();
}

std::optional<double> CardFontSize(const TTechniqueCard& card)
{
    for (double pt : FontSteps())
        if (TPageLayout(nullptr, pt).Page(card) <= Bottom)
            return pt;
    return std::nullopt;
}

std::optional<QString> CardOverflowText(const TTechniqueCard& card, const TCardFields& fields)
{
    if (CardFontSize(card))
        return std::nullopt;
    // The longest of the fields is the one worth shortening.
    QString caption;
    qsizetype longest = -1;
    for (const TCardField& f : CardFieldList())
        if (const qsizetype n = (fields.*f.field).trimmed().size(); n > longest) {
            longest = n;
            caption = QString::fromUtf8(f.caption);
        }
    return QStringLiteral("Не помещается на одну страницу: сократите поле «%1»").arg(caption);
}

void PaintCardPage(QPainter& p, const QRectF& paper, const TTechniqueCard& card)
{
    const double pt = CardFontSize(card).value_or(CardMinFontPt);
    p.save();
    p.translate(paper.topLeft());
    p.scale(paper.width() / PageW, paper.height() / PageH);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.fillRect(QRectF(0, 0, PageW, PageH), Qt::white);
    p.setPen(Ink);
    TPageLayout(&p, pt).Page(card);
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
