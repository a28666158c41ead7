// A window of the program's size with nothing of its own: what start-up costs
// before the program does anything. With "--text" it shows one Cyrillic
// label, the least any window with text pays (fontconfig, the font database).
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool text = argc > 1 && QByteArray(argv[1]) == "--text";
    QWidget w;
    w.setWindowTitle(text ? QStringLiteral("Кельто-text") : QStringLiteral("Кельто-floor"));
    w.setFixedSize(638, 457);
    if (text)
        new QLabel(QStringLiteral("Ежедневник"), &w);
    w.show();
    return app.exec();
}
