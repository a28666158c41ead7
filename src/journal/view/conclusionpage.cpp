#include "journal/view/conclusionpage.h"
#include "calc/calctext.h"
#include "journal/journalrules.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace kelto {

namespace {

// The page is drawn in tenths of a millimetre.
constexpr double PageWidth = 2100, PageHeight = 2970;
constexpr double Left = 200, Right = 100, Top = 150, Bottom = 150;
constexpr double Body = PageWidth - Left - Right;
constexpr double Pad = 12;
// The table's columns: № п/п, joint, films, sensitivity, defects, verdict.
constexpr double ColumnWidths[] = {90, 230, 290, 320, 620, 250};
constexpr int Columns = 6;

QFont PageFont(int tenthsOfMm, bool bold = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(tenthsOfMm);
    f.setBold(bold);
    return f;
}

QStringList TableHead()
{
    return {QStringLiteral("№ п/п"), QStringLiteral("Стык"), QStringLiteral("Снимок / участок"),
            QStringLiteral("Чувствительность"), QStringLiteral("Выявленные дефекты"), QStringLiteral("Оценка")};
}

QStringList Cells(int number, const TConclusionRow& r)
{
    return {QString::number(number), r.joint, r.films, r.sensitivity, r.defects, r.verdict};
}

// The height of a table line whose cells hold `cells`, at `font`.
double LineHeight(const QStringList& cells, const QFont& font, QPaintDevice* device)
{
    const QFontMetricsF fm(font, device);
    double h = 0;
    for (int c = 0; c < Columns; ++c)
        h = std::max(h, fm.boundingRect(QRectF(0, 0, ColumnWidths[c] - 2 * Pad, 1e6), Qt::TextWordWrap, cells[c]).height());
    return h + 2 * Pad;
}

double DrawLine(QPainter& p, double y, const QStringList& cells, const QFont& font, double height, bool centred)
{
    p.setFont(font);
    double x = Left;
    for (int c = 0; c < Columns; ++c) {
        const QRectF cell(x, y, ColumnWidths[c], height);
        p.drawRect(cell);
        const int align = Qt::TextWordWrap | Qt::AlignVCenter | (centred || c == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
        p.drawText(cell.adjusted(Pad, Pad, -Pad, -Pad), align, cells[c]);
        x += ColumnWidths[c];
    }
    return y + height;
}

struct THeaderField {
    QString caption;
    QString value;
};

QList<THeaderField> HeaderFields(const TConclusion& c)
{
    return {{QStringLiteral("Место контроля"), c.place},
            {QStringLiteral("Заказчик, договор"), c.customer},
            {QStringLiteral("Объект"), c.object},
            {QStringLiteral("Номер чертежа"), c.drawing},
            {QStringLiteral("Категория сварных соединений"), c.jointCategory},
            {QStringLiteral("Метод контроля и нормативный документ"), c.methodStandard},
            {QStringLiteral("Средства контроля"), c.means},
            {QStringLiteral("Нормы оценки"), c.norms}};
}

// The title and header fields; returns where the table starts.
double DrawHeader(QPainter& p, const TConclusion& c, bool measureOnly)
{
    double y = Top;
    const auto text = [&](const QFont& f, const QString& t, int align, double left, double width) {
        const QFontMetricsF fm(f, p.device());
        const QRectF r = fm.boundingRect(QRectF(left, y, width, 1e6), Qt::TextWordWrap | align, t);
        if (!measureOnly) {
            p.setFont(f);
            p.drawText(QRectF(left, y, width, r.height()), Qt::TextWordWrap | align, t);
        }
        return r.height();
    };
    if (!c.organization.isEmpty())
        y += text(PageFont(38, true), c.organization, Qt::AlignHCenter, Left, Body) + 30;
    y += text(PageFont(50, true),
              QStringLiteral("ЗАКЛЮЧЕНИЕ № %1").arg(ConclusionNumberText(c.number).isEmpty() ? QStringLiteral("____")
                                                                                          : ConclusionNumberText(c.number)),
              Qt::AlignHCenter, Left, Body);
    y += text(PageFont(38), QStringLiteral("по результатам радиографического контроля"), Qt::AlignHCenter, Left, Body) + 10;
    y += text(PageFont(38), QStringLiteral("от %1").arg(c.date.toString(QStringLiteral("dd.MM.yyyy"))), Qt::AlignHCenter,
              Left, Body) + 50;
    for (const THeaderField& f : HeaderFields(c)) {
        const double h1 = text(PageFont(34, true), f.caption + QLatin1Char(':'), Qt::AlignLeft, Left, 620);
        const double h2 = text(PageFont(34), f.value.isEmpty() ? NoValue() : f.value, Qt::AlignLeft, Left + 640, Body - 640);
        y += std::max(h1, h2) + 12;
    }
    return y + 40;
}

constexpr double SignaturesHeight = 380;

void DrawSignatures(QPainter& p, double y, const TConclusion& c)
{
    p.setFont(PageFont(34));
    y += 60;
    const auto line = [&](const QString& role, const QString& qualification, const QString& name) {
        p.drawText(QRectF(Left, y, 600, 60), Qt::AlignLeft | Qt::AlignBottom, role);
        p.drawText(QRectF(Left + 600, y, 500, 60), Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap, qualification);
        p.drawLine(QPointF(Left + 1130, y + 60), QPointF(Left + 1430, y + 60));
        p.drawText(QRectF(Left + 1460, y, Body - 1460, 60), Qt::AlignLeft | Qt::AlignBottom, name);
        y += 130;
    };
    line(QStringLiteral("Контроль выполнил:"), c.performerQualification, c.performer);
    line(QStringLiteral("Заключение проверил:"), c.checkerQualification, c.checker);
}

} // namespace

int PaintConclusion(QPagedPaintDevice& device, const TConclusion& c, const QList<TConclusionRow>& rows)
{
    QPainter p;
    if (!p.begin(&device))
        return 0;
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(device.width() / PageWidth, device.height() / PageHeight);
    p.setPen(QPen(Qt::black, 3));
    const QFont cellFont = PageFont(32);
    const QFont headFont = PageFont(30, true);
    const double headHeight = LineHeight(TableHead(), headFont, &device);
    QList<double> heights;
    for (int i = 0; i < rows.size(); ++i)
        heights << LineHeight(Cells(i + 1, rows[i]), cellFont, &device);
    const double footer = 80;
    const double tableTop = DrawHeader(p, c, true);
    const double firstRoom = PageHeight - Bottom - footer - tableTop - headHeight;
    const double otherRoom = PageHeight - Bottom - footer - Top - headHeight;
    const QList<int> pages = ConclusionPageRows(heights, firstRoom, otherRoom, SignaturesHeight);
    int next = 0;
    for (int page = 0; page < pages.size(); ++page) {
        if (page > 0)
            device.newPage();
        double y = page == 0 ? DrawHeader(p, c, false) : Top;
        if (pages[page] > 0 || page == 0)
            y = DrawLine(p, y, TableHead(), headFont, headHeight, true);
        for (int k = 0; k < pages[page]; ++k, ++next)
            y = DrawLine(p, y, Cells(next + 1, rows[next]), cellFont, heights[next], false);
        if (page == pages.size() - 1)
            DrawSignatures(p, y, c);
        p.setFont(PageFont(30));
        p.drawText(QRectF(Left, PageHeight - Bottom - 50, Body, 50), Qt::AlignRight | Qt::AlignBottom,
                   SheetText(page + 1, int(pages.size())));
    }
    p.end();
    return int(pages.size());
}

QByteArray ConclusionPdf(const TConclusion& conclusion, const QList<TConclusionRow>& rows)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QStringLiteral("Заключение %1").arg(ConclusionNumberText(conclusion.number)));
        writer.setCreator(QString::fromUtf8("Кельто"));
        PaintConclusion(writer, conclusion, rows);
    }
    buffer.close();
    return bytes;
}

} // namespace kelto
