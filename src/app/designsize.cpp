#include "app/designsize.h"

#include <QLabel>
#include <cfenv>
#include <cmath>

namespace kelto {

namespace {

int RoundHalfEven(double v)
{
    // std::nearbyint follows the current rounding mode, which is
    // to-nearest-even unless someone changed it.
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(old);
    return static_cast<int>(r);
}

QWidget* find(QWidget* root, const char* name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == QLatin1String(name))
        return root;
    return root->findChild<QWidget*>(QLatin1String(name));
}

void ScaleFont(QWidget* w, double dpi)
{
    QFont f = w->font();
    if (f.pointSizeF() > 0) {
        f.setPointSize(qMax(1, RoundHalfEven(f.pointSizeF() * 96.0 / dpi)));
        w->setFont(f);
    }
}

// Width, Height, Top, Left, then the font size, of one control.
void ScaleAll(QWidget* w, double dpi, bool withFont = true)
{
    if (!w)
        return;
    QRect g = w->geometry();
    const int width = RestoreDesignValue(g.width(), dpi);
    const int height = RestoreDesignValue(g.height(), dpi);
    const int top = RestoreDesignValue(g.top(), dpi);
    const int left = RestoreDesignValue(g.left(), dpi);
    w->setGeometry(left, top, width, height);
    if (withFont)
        ScaleFont(w, dpi);
}

} // namespace

int RestoreDesignValue(int value, double dpi)
{
    if (dpi <= 0)
        return value;
    return RoundHalfEven(value * 96.0 / dpi);
}

double ToolkitDesignDpi()
{
    return 96.0;
}

void RestoreDesignSize(QWidget* m, QWidget* about, double dpi)
{
    const char* buttons[] = {"SpeedButton1", "SpeedButton6", "SpeedButton7", "SpeedButton9", "SpeedButton10"};
    // Heights of all five, then widths, then lefts, then fonts; Top stays.
    for (const char* n : buttons)
        if (QWidget* w = find(m, n))
            w->resize(w->width(), RestoreDesignValue(w->height(), dpi));
    for (const char* n : buttons)
        if (QWidget* w = find(m, n))
            w->resize(RestoreDesignValue(w->width(), dpi), w->height());
    for (const char* n : buttons)
        if (QWidget* w = find(m, n))
            w->move(RestoreDesignValue(w->x(), dpi), w->y());
    for (const char* n : buttons)
        if (QWidget* w = find(m, n))
            ScaleFont(w, dpi);

    for (const char* n : {"Image1", "Image2", "Image3"})
        if (QWidget* w = find(m, n))
            w->move(w->x(), 0);

    for (const char* n : {"Label5", "Label6", "Label7", "lb", "eYear"})
        ScaleAll(find(m, n), dpi);
    ScaleAll(find(m, "sbYear"), dpi, false);
    for (const char* n : {"cbDay", "reblok", "TabControl1", "Panel3"})
        ScaleAll(find(m, n), dpi);
    if (QWidget* g = find(m, "MonthGrid"))
        ScaleFont(g, dpi);
    for (const char* n : {"Label37",  "Label38", "Label8",    "Label9",  "Label10", "Label11", "Label12", "Label13",
                          "Label14",  "Label15", "Label17",   "Label22", "Label24", "Label29", "Label35", "Label3",
                          "lFocRast", "lSens",   "lPerimetr", "lExpo",   "lCount",  "Ldlin"})
        ScaleAll(find(m, n), dpi);
    for (const char* n : {"cbSens", "cbSheme", "eRast", "ePatno", "eDlin", "eDiam", "eTol"})
        ScaleAll(find(m, n), dpi);

    if (about) {
        // The window's own measures, not its contents'.
        const int w = RestoreDesignValue(about->width(), dpi);
        about->setFixedWidth(w);
        const int h = RestoreDesignValue(about->height(), dpi);
        about->setFixedHeight(h);
    }
}

} // namespace kelto
