#include "calc/view/toolwindow.h"
#include "gui/autosizelabel.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace kelto {

void SetUpToolWindow(QWidget* window, const char* name, const QString& title, int width, int height)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(title);
    window->setFixedSize(width, height);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    window->setFont(font);
}

void DressToolWindow(QWidget* window, const QColor& background, const QColor& captionColour)
{
    QPalette palette = window->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(g, QPalette::Window, background);
        palette.setColor(g, QPalette::WindowText, captionColour);
    }
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

void DressToolInput(QWidget* input, const QFont& font, const QPalette& inputPalette)
{
    input->setFont(font);
    QPalette p = QApplication::palette(input);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole r : {QPalette::Text, QPalette::ButtonText})
            p.setColor(g, r, inputPalette.color(g, QPalette::Text));
    input->setPalette(p);
}

namespace toolcolumn {

QLabel* Caption(QWidget* parent, const QString& text, int top)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(CaptionLeft, top + 4, CaptionWidth, 13);
    l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return l;
}

QLineEdit* Edit(QWidget* parent, const char* name, int top, int width)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(InputLeft, top, width, RowHeight);
    return e;
}

QLabel* Result(QWidget* parent, const char* name, int top)
{
    QLabel* l = new TAutoSizeLabel(QStringLiteral("—"), parent);
    l->setObjectName(QLatin1String(name));
    l->move(InputLeft, top + 4);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->adjustSize();
    return l;
}

} // namespace toolcolumn

} // namespace kelto
