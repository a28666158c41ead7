#include "docs/shellopen.h"
#include "app/textfile.h"

#include <QDesktopServices>
#include <QUrl>

namespace kelto {

namespace {
class DesktopOpener : public ShellOpener {
public:
    void open(const QString& name) override
    {
        QUrl url = name.contains(QLatin1String("://")) ? QUrl(name) : QUrl::fromLocalFile(name);
        if (!QDesktopServices::openUrl(url))
            throw Error(QStringLiteral("Не удается открыть ") + name);
    }
};
DesktopOpener g_desktop;
ShellOpener* g_opener = nullptr;
} // namespace

void SetShellOpener(ShellOpener* opener) { g_opener = opener; }
ShellOpener& CurrentShellOpener() { return g_opener ? *g_opener : g_desktop; }
void OpenWithShell(const QString& name) { CurrentShellOpener().open(name); }

} // namespace kelto
