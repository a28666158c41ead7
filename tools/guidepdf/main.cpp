// Builds the user's guide (guide.pdf) from the user's part of README.md:
// everything before the developers' heading, read by Qt's own Markdown
// reader and written by QPdfWriter, pictures included. One text for both.
//
//   guidepdf <README.md> <guide.pdf> <font.ttf> [<bold.ttf> ...]
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QRegularExpression>
#include <QUrl>

#include <cstdio>

namespace {

// Where the developers' part of the README begins.
constexpr const char* DevelopersHeading = "\n# Для разработчиков";

int Fail(const QString& text)
{
    std::fprintf(stderr, "guidepdf: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return Fail(QStringLiteral("usage: guidepdf README.md guide.pdf font.ttf [font.ttf ...]"));
    QFile readme(args[1]);
    if (!readme.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("cannot read %1").arg(args[1]));
    QString text = QString::fromUtf8(readme.readAll());
    const qsizetype end = text.indexOf(QString::fromUtf8(DevelopersHeading));
    if (end < 0)
        return Fail(QStringLiteral("no developers' heading in %1").arg(args[1]));
    text.truncate(end);
    // Notes to the README's editors stay out of the guide.
    text.remove(QRegularExpression(QStringLiteral("<!--.*?-->"), QRegularExpression::DotMatchesEverythingOption));

    QString family;
    for (int i = 3; i < args.size(); ++i) {
        const int id = QFontDatabase::addApplicationFont(args[i]);
        if (id < 0)
            return Fail(QStringLiteral("cannot load font %1").arg(args[i]));
        if (family.isEmpty())
            family = QFontDatabase::applicationFontFamilies(id).value(0);
    }

    QPdfWriter pdf(args[2]);
    pdf.setTitle(QStringLiteral("Кельто. Руководство пользователя"));
    pdf.setCreator(QStringLiteral("Кельто"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 16, 18, 16),
                                  QPageLayout::Millimeter));
    pdf.setResolution(96);

    QTextDocument doc;
    doc.setDefaultFont(QFont(family, 10));
    // Pictures are named relative to the README.
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(args[1]).absolutePath() + QLatin1Char('/')));
    doc.setDefaultStyleSheet(QStringLiteral("code, pre { font-family: \"%1\"; }").arg(family));
    doc.setMarkdown(QStringLiteral("# Кельто. Руководство пользователя\n\n") + text.mid(text.indexOf(QLatin1Char('\n')) + 1),
                    QTextDocument::MarkdownDialectGitHub);
    doc.setPageSize(pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
    doc.print(&pdf);
    return 0;
}
