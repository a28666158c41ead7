// A window of the program's size with nothing in it: what start-up costs
// before the program does anything of its own.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("Кельто-floor"));
    w.setFixedSize(638, 457);
    w.show();
    return app.exec();
}
