// Draws every design picture of the program: the backgrounds of the main
// window and of its two views, the eight scheme pictures, the About picture,
// the window icon and the year spin glyphs, in a light ("стандарт") and a dark
// ("тёмный") theme. The pictures are committed; this tool is run by hand:
//
//   QT_QPA_PLATFORM=offscreen genassets <assets folder>
//
// Text is drawn with Liberation Sans loaded from its file, so the output does
// not depend on the machine's font configuration.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

QString gFamily = QStringLiteral("Liberation Sans");

struct Theme {
    bool dark;
    QColor headTop, headBottom; // header band
    QColor accent;              // amber line, radiation mark
    QColor tabTop, tabBottom, tabBorder, tabText;
    QColor stripTop, stripBottom, stripText;
    QColor page; // view background
    QColor card, cardBorder, cardShadow;
    QColor field, fieldBorder; // plates behind the edits
    QColor rowTint;            // alternate rows of the inputs
    QColor rule;               // thin lines under the headings
    QColor watermark;
};

Theme LightTheme()
{
    Theme t;
    t.dark = false;
    t.headTop = QColor(0x1b, 0x27, 0x36);
    t.headBottom = QColor(0x2a, 0x3d, 0x54);
    t.accent = QColor(0xf0, 0xa8, 0x30);
    t.tabTop = QColor(0x3b, 0x52, 0x6d);
    t.tabBottom = QColor(0x2c, 0x40, 0x58);
    t.tabBorder = QColor(0x56, 0x70, 0x8e);
    t.tabText = QColor(0xee, 0xf2, 0xf6);
    t.stripTop = QColor(0xdc, 0xe4, 0xec);
    t.stripBottom = QColor(0xc9, 0xd4, 0xdf);
    t.stripText = QColor(0x24, 0x36, 0x4b);
    t.page = QColor(0xe4, 0xe9, 0xef);
    t.card = QColor(0xf6, 0xf8, 0xfa);
    t.cardBorder = QColor(0xa9, 0xb7, 0xc6);
    t.cardShadow = QColor(0, 0, 0, 28);
    t.field = QColor(0xff, 0xff, 0xff);
    t.fieldBorder = QColor(0x8c, 0x9d, 0xb0);
    t.rowTint = QColor(0xe9, 0xee, 0xf3);
    t.rule = QColor(0xb4, 0xc2, 0xd0);
    t.watermark = QColor(0x2a, 0x3d, 0x54, 22);
    return t;
}

// The dark plug-in sets light captions and headings but dark navy input text,
// so the plates behind the edits stay light while everything else is dark.
Theme DarkTheme()
{
    Theme t;
    t.dark = true;
    t.headTop = QColor(0x0c, 0x11, 0x17);
    t.headBottom = QColor(0x17, 0x20, 0x2b);
    t.accent = QColor(0xff, 0xc0, 0x4a);
    t.tabTop = QColor(0x2a, 0x36, 0x45);
    t.tabBottom = QColor(0x1e, 0x28, 0x34);
    t.tabBorder = QColor(0x44, 0x55, 0x6a);
    t.tabText = QColor(0xe8, 0xe8, 0xe8);
    t.stripTop = QColor(0x22, 0x2d, 0x3a);
    t.stripBottom = QColor(0x1a, 0x23, 0x2e);
    t.stripText = QColor(0xc4, 0xce, 0xda);
    t.page = QColor(0x16, 0x1d, 0x26);
    t.card = QColor(0x22, 0x2c, 0x39);
    t.cardBorder = QColor(0x3d, 0x4d, 0x61);
    t.cardShadow = QColor(0, 0, 0, 90);
    t.field = QColor(0xd4, 0xdc, 0xe6);
    t.fieldBorder = QColor(0x5f, 0x74, 0x8c);
    t.rowTint = QColor(0x28, 0x33, 0x41);
    t.rule = QColor(0x3d, 0x4d, 0x61);
    t.watermark = QColor(0xc4, 0xce, 0xda, 16);
    return t;
}

QFont Font(qreal pixels, bool bold = false)
{
    QFont f(gFamily);
    f.setPixelSize(qRound(pixels));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// The largest pixel size up to `pixels` at which `text` fits into `width`.
QFont FittingFont(const QString& text, qreal pixels, qreal width, bool bold)
{
    for (qreal p = pixels; p > 6; p -= 0.5) {
        QFont f = Font(p, bold);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width)
            return f;
    }
    return Font(6, bold);
}

void Save(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    bool ok = false;
    if (path.endsWith(".jpg"))
        ok = image.convertToFormat(QImage::Format_RGB32).save(path, "JPG", 92);
    else if (path.endsWith(".bmp"))
        ok = image.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
    else
        ok = image.save(path, "PNG");
    if (!ok) {
        std::fprintf(stderr, "genassets: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
}

QImage NewImage(int w, int h, QColor fill)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// --- the mark: a weld ring (pipe section) round a radiation trefoil ---------

void DrawMark(QPainter& p, QPointF c, qreal r, const Theme& t)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // At icon sizes the ring and the blades are drawn bolder, or they blur
    // into one grey blot.
    const bool small = r < 10;
    const qreal wall = small ? 2.0 : std::max(1.5, r * 0.22);

    // Dark disc behind, so the mark reads on light and dark grounds alike.
    QRadialGradient disc(c, r);
    disc.setColorAt(0, QColor(0x33, 0x4a, 0x64));
    disc.setColorAt(1, QColor(0x16, 0x22, 0x30));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(c, r, r);

    // The pipe wall as a steel ring.
    QPainterPath ring;
    ring.addEllipse(c, r, r);
    ring.addEllipse(c, r - wall, r - wall);
    QLinearGradient steel(c.x() - r, c.y() - r, c.x() + r, c.y() + r);
    steel.setColorAt(0, QColor(0xe6, 0xec, 0xf2));
    steel.setColorAt(0.5, small ? QColor(0xc4, 0xcf, 0xdb) : QColor(0xa8, 0xb6, 0xc6));
    steel.setColorAt(1, QColor(0x70, 0x82, 0x98));
    p.setBrush(steel);
    p.drawPath(ring);

    // The weld seam: a short amber arc on the ring.
    if (r >= 10) {
        QPen seam(t.accent, std::max(1.0, wall * 0.45), Qt::SolidLine, Qt::RoundCap);
        p.setPen(seam);
        p.setBrush(Qt::NoBrush);
        const qreal rs = r - wall / 2;
        p.drawArc(QRectF(c.x() - rs, c.y() - rs, 2 * rs, 2 * rs), 20 * 16, 50 * 16);
        p.setPen(Qt::NoPen);
    }

    // The trefoil: three blades of 60 degrees and a hub.
    const qreal ri = r - wall;
    const qreal hub = ri * 0.2;
    const qreal b1 = ri * (small ? 0.42 : 0.32), b2 = ri * (small ? 1.02 : 0.86);
    p.setBrush(t.accent);
    for (int k = 0; k < 3; ++k) {
        const qreal mid = 30 + 120 * k; // degrees, counter-clockwise from 3 o'clock: blades up-right, up-left, down
        QPainterPath blade;
        QRectF outer(c.x() - b2, c.y() - b2, 2 * b2, 2 * b2);
        QRectF inner(c.x() - b1, c.y() - b1, 2 * b1, 2 * b1);
        blade.arcMoveTo(outer, mid - 30);
        blade.arcTo(outer, mid - 30, 60);
        blade.arcTo(inner, mid + 30, -60);
        blade.closeSubpath();
        p.drawPath(blade);
    }
    p.drawEllipse(c, hub, hub);
    p.restore();
}

// The logo: the mark and the program's name beside it, inside `box`.
void DrawLogo(QPainter& p, QRectF box, const Theme& t, QColor word, QColor sub)
{
    const qreal r = std::min(box.height() / 2 - 6, box.width() * 0.19);
    const QPointF c(box.left() + r + 1, box.center().y());
    DrawMark(p, c, r, t);

    const qreal x = c.x() + r + 4;
    const qreal w = box.right() - x;
    const QString name = QStringLiteral("Кельто");
    QFont f = FittingFont(name, 20, w - 1, true);
    p.setFont(f);
    p.setPen(word);
    QFontMetricsF fm(f);
    const qreal base = box.center().y() + fm.ascent() / 2 - 3;
    p.drawText(QPointF(x, base), name);

    QFont s = FittingFont(QStringLiteral("ГОСТ 7512"), 10, w - 2, false);
    s.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
    p.setFont(s);
    p.setPen(sub);
    p.drawText(QPointF(x + 1, base + QFontMetricsF(s).ascent() + 3), QStringLiteral("ГОСТ 7512"));
}

// --- panels ---------------------------------------------------------------

void Card(QPainter& p, QRectF r, const Theme& t, qreal radius = 5)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(t.cardShadow);
    p.drawRoundedRect(r.translated(1.5, 2), radius, radius);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, t.card.lighter(t.dark ? 112 : 101));
    g.setColorAt(1, t.card);
    p.setBrush(g);
    p.setPen(QPen(t.cardBorder, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

// A plate that an edit of the given rectangle lies on: a one-pixel frame just
// outside it, a field colour inside (the edit covers it when it is opaque).
void Field(QPainter& p, QRect control, const Theme& t)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(control, t.field);
    p.setPen(t.fieldBorder);
    p.setBrush(Qt::NoBrush);
    p.drawRect(control.adjusted(-1, -1, 0, 0));
    // An inner top shadow makes the plate look sunk into the card.
    QColor inner = t.dark ? QColor(0, 0, 0, 60) : QColor(0x2a, 0x3d, 0x54, 30);
    p.setPen(inner);
    p.drawLine(control.left(), control.top(), control.right(), control.top());
    p.restore();
}

// The band along the top of a card that carries the card's captions or
// heading, closed by a thin line with a short amber lead.
void CardHeader(QPainter& p, QRectF card, qreal bottom, const Theme& t)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(card.adjusted(1, 1, -1, 0), 4.5, 4.5);
    p.setClipPath(clip);
    QLinearGradient g(0, card.top(), 0, bottom);
    g.setColorAt(0, t.dark ? QColor(0x2c, 0x39, 0x4a) : QColor(0xe8, 0xed, 0xf3));
    g.setColorAt(1, t.dark ? QColor(0x27, 0x33, 0x42) : QColor(0xdf, 0xe6, 0xee));
    p.fillRect(QRectF(card.left(), card.top(), card.width(), bottom - card.top()), g);
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(t.rule);
    p.drawLine(QPointF(card.left() + 1, bottom), QPointF(card.right() - 1, bottom));
    p.fillRect(QRectF(card.left() + 1, bottom - 1, 28, 2), t.accent);
    p.restore();
}

// --- main window background ---------------------------------------------

void DrawHeaderTabs(QPainter& p, const Theme& t)
{
    const int lefts[] = {236, 317, 397, 479, 560};
    const char* captions[] = {"Записи", "Расчеты", "Справка", "Настройка", "Инфо"};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 5; ++i) {
        const QRectF r(lefts[i], 8, 70, 24);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, t.tabTop);
        g.setColorAt(1, t.tabBottom);
        p.setBrush(g);
        p.setPen(QPen(t.tabBorder, 1));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        // Highlight along the upper edge.
        p.setPen(QPen(QColor(255, 255, 255, t.dark ? 22 : 34), 1));
        p.drawLine(QPointF(r.left() + 4, r.top() + 1.5), QPointF(r.right() - 4, r.top() + 1.5));

        const QString text = QString::fromUtf8(captions[i]);
        p.setFont(FittingFont(text, 12, 64, false));
        p.setPen(t.tabText);
        p.drawText(r.toRect(), Qt::AlignCenter, text);
    }
    p.restore();
}

// The close hot spot (600, 0, 36 x 33) is mostly covered by the "Инфо" button
// (560..630 x 8..32); what stays free is the strip above the button row and a
// thin column right of it. The close mark is a small tab hanging from the top
// edge in that strip, so a click on it always closes. It lies wholly inside
// the picture, rounded corners included: a mark cut by the window's edge
// reads as a drawing fault, not as a tab.
void DrawCloseMark(QPainter& p, const Theme& t)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tab(604.5, 2, 31, 5.5);
    p.setPen(Qt::NoPen);
    p.setBrush(t.dark ? QColor(0x8e, 0x34, 0x34) : QColor(0xa8, 0x3c, 0x3c));
    p.drawRoundedRect(tab, 2.5, 2.5);
    QPen pen(QColor(0xf6, 0xf0, 0xf0), 1.3, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    const QPointF c = tab.center();
    const qreal h = 1.8;
    p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
    p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
    p.restore();
}

QImage MainPicture(const Theme& t)
{
    QImage image = NewImage(638, 457, t.page);
    QPainter p(&image);

    // Header band, rows 0..97.
    QLinearGradient head(0, 0, 0, 98);
    head.setColorAt(0, t.headTop);
    head.setColorAt(1, t.headBottom);
    p.fillRect(QRect(0, 0, 638, 98), head);

    // Faint rings spreading from the logo, like a source's radiation field.
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    for (int k = 1; k <= 9; ++k) {
        p.setPen(QPen(QColor(255, 255, 255, std::max(3, 18 - 2 * k)), 1));
        const qreal r = 36 + 26 * k;
        p.drawEllipse(QPointF(46, 45), r, r);
    }
    // A fine technical grid on the right half, fading to the left.
    QLinearGradient fade(200, 0, 638, 0);
    fade.setColorAt(0, QColor(255, 255, 255, 0));
    fade.setColorAt(1, QColor(255, 255, 255, t.dark ? 10 : 14));
    p.setPen(QPen(QBrush(fade), 1));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int x = 200; x < 638; x += 12)
        p.drawLine(x, 40, x, 97);
    for (int y = 40; y < 98; y += 12)
        p.drawLine(200, y, 637, y);
    // Clear the grid's top part so the tabs sit on the plain band.
    p.setRenderHint(QPainter::Antialiasing);

    DrawLogo(p, QRectF(21, 17, 105, 57), t, QColor(0xf2, 0xf5, 0xf8), t.accent);
    DrawHeaderTabs(p, t);
    DrawCloseMark(p, t);

    // Program subtitle at the right, under the tabs.
    p.setFont(Font(11));
    p.setPen(QColor(0xa9, 0xb8, 0xc9));
    p.drawText(QRect(236, 44, 394, 16), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Радиографический контроль сварных соединений"));

    // Amber line and the title strip, rows 98..147.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(0, 98, 638, 2), t.accent);
    QLinearGradient strip(0, 100, 0, 147);
    strip.setColorAt(0, t.stripTop);
    strip.setColorAt(1, t.stripBottom);
    p.fillRect(QRect(0, 100, 638, 47), strip);
    p.fillRect(QRect(0, 147, 638, 1), t.dark ? QColor(0x0c, 0x11, 0x17) : QColor(0x9a, 0xab, 0xbd));

    p.setRenderHint(QPainter::Antialiasing);
    const QString title = QStringLiteral("Ежедневник дефектоскописта");
    const QString sub = QStringLiteral("Расчёт схем просвечивания по ГОСТ 7512-82");
    p.setFont(Font(14, true));
    p.setPen(t.stripText);
    p.drawText(QPointF(21, 122), title);
    const qreal w = QFontMetricsF(Font(14, true)).horizontalAdvance(title);
    p.setFont(Font(13));
    p.setPen(t.dark ? t.accent : QColor(0x9a, 0x62, 0x10));
    p.drawText(QPointF(21 + w + 8, 122), QStringLiteral("·"));
    p.setPen(t.stripText);
    p.drawText(QPointF(21 + w + 18, 122), sub);

    // Everything below is covered by the views.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(0, 148, 638, 309), t.page);
    return image;
}

// --- view backgrounds -------------------------------------------------------

void ViewBackground(QPainter& p, const Theme& t)
{
    QLinearGradient g(0, 0, 0, 308);
    g.setColorAt(0, t.page.lighter(t.dark ? 110 : 102));
    g.setColorAt(1, t.page);
    p.fillRect(QRect(0, 0, 638, 308), g);
}

QImage DiaryPicture(const Theme& t)
{
    QImage image = NewImage(638, 308, t.page);
    QPainter p(&image);
    ViewBackground(p, t);

    // Left card: year, weekday and the month tabs; right card: the notepad.
    const QRectF left(9, 7, 306, 282), right(317, 7, 310, 282);
    Card(p, left, t);
    Card(p, right, t);
    CardHeader(p, left, 29, t);
    CardHeader(p, right, 29, t);

    // Year edit and its spin button share one plate.
    Field(p, QRect(19, 32, 70, 21), t);
    p.save();
    p.setPen(t.fieldBorder);
    p.drawRect(QRect(88, 31, 16, 22));
    p.restore();
    Field(p, QRect(223, 32, 85, 21), t);

    // Month tabs: a sunk frame round the tab strip.
    p.save();
    p.setPen(t.fieldBorder);
    p.setBrush(t.dark ? t.card.darker(115) : QColor(0xee, 0xf2, 0xf6));
    p.drawRect(QRect(18, 71, 290, 202));
    p.restore();

    // Notepad: a ruled paper plate with a margin line, visible where the
    // notepad leaves its one-pixel border.
    p.save();
    p.setPen(t.fieldBorder);
    p.setBrush(t.field);
    p.drawRect(QRect(322, 31, 295, 242));
    p.restore();

    // Corner decoration of the notepad card: a faint weld ring.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(t.watermark, 1));
    p.drawEllipse(QPointF(600, 283), 9, 9);
    p.drawEllipse(QPointF(600, 283), 6, 6);
    p.restore();

    return image;
}

// A faint drawing of a ring weld being radiographed, behind the results.
void ResultsWatermark(QPainter& p, const Theme& t)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(474, 222);
    QPen pen(t.watermark, 1.2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 46, 46);
    p.drawEllipse(c, 38, 38);
    QPen dash(t.watermark, 1, Qt::DashDotLine);
    p.setPen(dash);
    p.drawLine(c + QPointF(-56, 0), c + QPointF(56, 0));
    p.drawLine(c + QPointF(0, -56), c + QPointF(0, 56));
    p.setPen(pen);
    p.drawLine(c + QPointF(-88, -56), c + QPointF(-40, -20));
    p.drawLine(c + QPointF(-88, -56), c + QPointF(-24, -38));
    p.setBrush(t.watermark);
    p.drawEllipse(c + QPointF(-88, -56), 3, 3);
    p.setBrush(Qt::NoBrush);
    QPen film(t.watermark, 4, Qt::SolidLine, Qt::FlatCap);
    p.setPen(film);
    p.drawArc(QRectF(c.x() - 51, c.y() - 51, 102, 102), 20 * 16, 35 * 16);
    p.restore();
}

QImage CalcPicture(const Theme& t)
{
    QImage image = NewImage(638, 308, t.page);
    QPainter p(&image);
    ViewBackground(p, t);

    const QRectF inputs(3, 7, 307, 292), results(314, 7, 320, 292);
    Card(p, inputs, t);
    Card(p, results, t);
    CardHeader(p, inputs, 33, t);
    CardHeader(p, results, 33, t);

    // Rows of the inputs, every other one tinted so a caption is easily
    // followed to its input.
    const int tops[] = {37, 62, 87, 112, 137, 162, 187};
    for (int i = 0; i < 7; ++i) {
        if (i % 2 == 0)
            p.fillRect(QRect(9, tops[i] - 2, 295, 25), t.rowTint);
        Field(p, QRect(239, tops[i], 60, 21), t);
    }

    // Rows of the results, same rhythm (the captions lie at 47 + 25 k).
    for (int k = 0; k < 4; ++k) {
        if (k % 2 == 0)
            p.fillRect(QRect(320, 43 + 25 * k, 308, 21), t.rowTint);
    }
    ResultsWatermark(p, t);

    // Frame of the scheme picture.
    p.save();
    p.setPen(t.fieldBorder);
    p.setBrush(QColor(0xfb, 0xfc, 0xfd));
    p.drawRect(QRect(238, 213, 61, 76));
    p.setPen(t.dark ? QColor(0, 0, 0, 80) : QColor(0x2a, 0x3d, 0x54, 40));
    p.drawLine(QPoint(300, 215), QPoint(300, 290));
    p.drawLine(QPoint(240, 290), QPoint(300, 290));
    p.restore();

    return image;
}

// --- scheme pictures --------------------------------------------------------

struct Scheme {
    QPainter& p;
    QPointF c{30, 42};
    qreal ro = 18, ri = 14;

    QPointF Polar(qreal radius, qreal degrees) const
    {
        const qreal a = degrees * std::numbers::pi / 180;
        return {c.x() + radius * std::cos(a), c.y() - radius * std::sin(a)};
    }
    void Pipe()
    {
        p.setPen(Qt::NoPen);
        QPainterPath wall;
        wall.addEllipse(c, ro, ro);
        wall.addEllipse(c, ri, ri);
        p.setBrush(QColor(0xd8, 0xdf, 0xe7));
        p.drawPath(wall);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x2e, 0x40, 0x55), 1));
        p.drawEllipse(c, ro, ro);
        p.drawEllipse(c, ri, ri);
        QPen axis(QColor(0x7d, 0x8b, 0x9b), 0.8, Qt::CustomDashLine);
        axis.setDashPattern({6, 2, 1, 2});
        p.setPen(axis);
        p.drawLine(c + QPointF(-ro - 5, 0), c + QPointF(ro + 5, 0));
        p.drawLine(c + QPointF(0, -ro - 5), c + QPointF(0, ro + 5));
    }
    void Beam(QPointF from, QPointF to)
    {
        p.setPen(QPen(QColor(0xe0, 0x6c, 0x16), 1));
        p.drawLine(from, to);
    }
    void Source(QPointF at)
    {
        p.setPen(QPen(QColor(0x7a, 0x14, 0x0e), 0.8));
        p.setBrush(QColor(0xd0, 0x2e, 0x22));
        p.drawEllipse(at, 2.6, 2.6);
        p.setBrush(Qt::NoBrush);
    }
    QPen FilmPen() const { return QPen(QColor(0x1d, 0x4f, 0x91), 2.6, Qt::SolidLine, Qt::FlatCap); }
    void FilmArc(qreal radius, qreal from, qreal span)
    {
        p.setPen(FilmPen());
        p.drawArc(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), qRound(from * 16), qRound(span * 16));
    }
    void FilmLine(qreal x1, qreal x2, qreal y)
    {
        p.setPen(FilmPen());
        p.drawLine(QPointF(x1, y), QPointF(x2, y));
    }
};

QImage SchemePicture(int index)
{
    QImage image = NewImage(60, 75, QColor(0xfb, 0xfc, 0xfd));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Scheme s{p};

    const QString letters[] = {"a)", "б)", "в)", "г)", "д)", "е)", "ж)", "з)"};
    const qreal outside = s.ro + 3; // a film laid on the outside of the wall
    const qreal below = s.c.y() + s.ro + 3;

    // Beam first, so the pipe's wall is drawn over it and the film over both.
    QPointF src;
    switch (index) {
    case 0: // a) outside above, narrow beam, film inside the upper wall
        src = {30, 8};
        s.Pipe();
        s.Beam(src, s.Polar(s.ri - 2.5, 68));
        s.Beam(src, s.Polar(s.ri - 2.5, 112));
        s.FilmArc(s.ri - 2.5, 62, 56);
        break;
    case 1: { // б) outside above, narrow beam, flat film under the upper wall
        src = {30, 8};
        s.Pipe();
        const qreal y = s.c.y() - s.ri + 5;
        s.Beam(src, {21, y});
        s.Beam(src, {39, y});
        s.FilmLine(20, 40, y);
        break;
    }
    case 2: { // в) far above, beam wider than the pipe, flat film under it
        src = {30, 4};
        s.Beam(src, {6, below});
        s.Beam(src, {54, below});
        s.Pipe();
        s.FilmLine(5, 55, below);
        break;
    }
    case 3: // г) close above, through both walls, film round the lower wall
        src = {30, s.c.y() - s.ro - 7};
        s.Beam(src, s.Polar(outside, 236));
        s.Beam(src, s.Polar(outside, 304));
        s.Pipe();
        s.FilmArc(outside, 230, 80);
        break;
    case 4: // д) close above, through both walls, flat film under the pipe
        src = {30, s.c.y() - s.ro - 7};
        s.Beam(src, {13, below});
        s.Beam(src, {47, below});
        s.Pipe();
        s.FilmLine(11, 49, below);
        break;
    case 5: // е) at the centre, four films round the outside
        src = s.c;
        s.Pipe();
        for (int k = 0; k < 4; ++k) {
            const qreal mid = 45 + 90 * k;
            s.Beam(src, s.Polar(outside - 1, mid - 24));
            s.Beam(src, s.Polar(outside - 1, mid + 24));
        }
        for (int k = 0; k < 4; ++k)
            s.FilmArc(outside, 45 + 90 * k - 30, 60);
        break;
    case 6: // ж) between the centre and the upper wall, film round the lower wall
        src = s.c + QPointF(0, -8);
        s.Pipe();
        s.Beam(src, s.Polar(outside, 242));
        s.Beam(src, s.Polar(outside, 298));
        s.FilmArc(outside, 236, 68);
        break;
    case 7: // з) at the centre, film round the lower wall
        src = s.c;
        s.Pipe();
        s.Beam(src, s.Polar(outside, 230));
        s.Beam(src, s.Polar(outside, 310));
        s.FilmArc(outside, 224, 92);
        break;
    }
    s.Source(src);

    p.setFont(Font(10, true));
    p.setPen(QColor(0x2e, 0x40, 0x55));
    p.drawText(QPointF(2, 10), letters[index]);
    return image;
}

// --- About picture ----------------------------------------------------------

QImage AboutPicture(const Theme& t)
{
    QImage image = NewImage(432, 198, t.dark ? t.page : QColor(0xf4, 0xf6, 0xf9));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Band with the logo and the title.
    QLinearGradient head(0, 0, 0, 76);
    head.setColorAt(0, t.headTop);
    head.setColorAt(1, t.headBottom);
    p.fillRect(QRect(0, 0, 432, 76), head);
    p.setBrush(Qt::NoBrush);
    for (int k = 1; k <= 6; ++k) {
        p.setPen(QPen(QColor(255, 255, 255, std::max(3, 16 - 2 * k)), 1));
        const qreal r = 34 + 26 * k;
        p.drawEllipse(QPointF(38, 37), r, r);
    }
    DrawLogo(p, QRectF(13, 9, 105, 57), t, QColor(0xf2, 0xf5, 0xf8), t.accent);

    p.setFont(Font(28, true));
    p.setPen(QColor(0xf2, 0xf5, 0xf8));
    p.drawText(QRect(150, 6, 268, 36), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Кельто"));
    p.setFont(Font(12));
    p.setPen(t.accent);
    p.drawText(QRect(150, 42, 268, 18), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("распространяется бесплатно"));
    p.fillRect(QRect(0, 76, 432, 2), t.accent);

    const QColor ink = t.dark ? QColor(0xd8, 0xde, 0xe6) : QColor(0x1e, 0x2c, 0x3c);
    const QColor soft = t.dark ? QColor(0x9c, 0xaa, 0xba) : QColor(0x4e, 0x60, 0x74);

    p.setFont(Font(12, true));
    p.setPen(ink);
    p.drawText(QRect(14, 84, 404, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("© 2026 Кельто — свободная программа"));

    p.setFont(Font(11, true));
    p.setPen(soft);
    p.drawText(QRect(14, 104, 404, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Системные требования:"));
    p.setFont(Font(11));
    p.setPen(ink);
    p.drawText(QRect(14, 118, 404, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Linux x86-64 с рабочим столом X11 или XWayland, около 63 МБ на диске"));

    p.setPen(QPen(t.dark ? t.cardBorder : QColor(0xc4, 0xcf, 0xdb), 1));
    p.drawLine(QPointF(14, 138.5), QPointF(418, 138.5));

    p.setFont(Font(11));
    p.setPen(ink);
    p.drawText(QRect(14, 142, 404, 50), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Программа рассчитывает основные формулы ГОСТ 7512-82 и ведёт "
                              "ежедневник в электронном виде. Не требует установки, работает "
                              "с локального жёсткого диска или с флэш-накопителя."));
    return image;
}

// --- icons and glyphs -------------------------------------------------------

QImage Icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawMark(p, QPointF(size / 2.0, size / 2.0), size / 2.0 - (size >= 32 ? 1 : 0.25), LightTheme());
    return image;
}

// Crisp 7 x 4 triangles for the two 15 x 11 halves of the year spin button.
QImage SpinGlyph(bool up)
{
    QImage image(7, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRgb ink = qRgba(0x2b, 0x3b, 0x4f, 0xff);
    for (int row = 0; row < 4; ++row) {
        const int y = up ? row : 3 - row;
        for (int x = 3 - row; x <= 3 + row; ++x)
            image.setPixel(x, y, ink);
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: genassets <assets folder>\n");
        return 2;
    }
    const QString fonts = QStringLiteral("/usr/share/fonts/truetype/liberation/");
    for (const char* file : {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(fonts + file);
        if (id < 0) {
            std::fprintf(stderr, "genassets: cannot load %s%s (fonts-liberation)\n", qPrintable(fonts), file);
            return 1;
        }
        gFamily = QFontDatabase::applicationFontFamilies(id).value(0, gFamily);
    }

    const QString out = QString::fromLocal8Bit(argv[1]) + "/";
    const Theme light = LightTheme();
    const Theme dark = DarkTheme();

    Save(MainPicture(light), out + "main.jpg");
    Save(DiaryPicture(light), out + "diary.jpg");
    Save(CalcPicture(light), out + "calc.jpg");
    Save(AboutPicture(light), out + "about.bmp");
    for (int i = 0; i < 8; ++i)
        Save(SchemePicture(i), out + QString("is%1.bmp").arg(i + 1));
    for (int size : {16, 32, 48})
        Save(Icon(size), out + QString("icon%1.png").arg(size));
    Save(SpinGlyph(true), out + "spin_up.png");
    Save(SpinGlyph(false), out + "spin_down.png");

    Save(MainPicture(dark), out + "dark/main.jpg");
    Save(DiaryPicture(dark), out + "dark/diary.jpg");
    Save(CalcPicture(dark), out + "dark/calc.jpg");
    Save(AboutPicture(dark), out + "dark/about.bmp");
    return 0;
}
