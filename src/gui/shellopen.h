// The program's one way to hand a file or a web address to the desktop.
#pragma once
#include "core/error.h"

#include <QString>
#include <functional>

namespace kelto {

// The desktop has no program for the file (nor the opener itself): the
// caller's own words say so, rather than a helper program's name.
class TNoViewerError : public TError {
public:
    using TError::TError;
};
using TNoViewerReport = std::function<void()>;

class TShellOpener {
public:
    virtual ~TShellOpener() = default;
    // Throws kelto::TError with a Russian text when the desktop cannot open it.
    virtual void Open(const QString& nameOrAddress) = 0;
    // As Open; when the desktop finds no program for the file, now or soon
    // after, `noViewer` runs (from the event loop) instead of an error.
    virtual void OpenOrSay(const QString& nameOrAddress, const TNoViewerReport& noViewer)
    {
        (void)noViewer;
        Open(nameOrAddress);
    }
};

// The opener in force; tests install a recording one. nullptr restores the
// desktop's own.
void SetShellOpener(TShellOpener* opener);
TShellOpener& CurrentShellOpener();

// Throws kelto::TError on failure (the caller's handler reports it).
//
// The desktop's own opener: a web address goes to QDesktopServices; a local
// file must exist and be readable (else "Не удается найти указанный файл"),
// then `xdg-open`, looked up on PATH, gets it as its one argument, with no
// shell in between. The program does not wait for the viewer; when xdg-open
// soon reports that it could not open the file, the general error report
// says so from the event loop.
void OpenWithShell(const QString& nameOrAddress);
// The same, but a missing viewer is told by `noViewer` (an information box
// of the caller's) instead of the general error report.
void OpenWithShell(const QString& nameOrAddress, const TNoViewerReport& noViewer);

// True for what goes to the browser or the mail program rather than being
// a file name: "scheme://...", "http:", "https:", "mailto:", "www.".
bool IsWebAddress(const QString& name);

// The report for a file the opener could not open, by xdg-open's exit code
// (a crash counts as -1).
QString OpenerFailureText(const QString& name, int exitCode);

inline constexpr const char* FileNotFoundText = "Не удается найти указанный файл";

} // namespace kelto
