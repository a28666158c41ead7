// The program's one way to hand a file or a web address to the desktop.
#pragma once
#include <QString>

namespace kelto {

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // Throws kelto::Error with a Russian text when the desktop cannot open it.
    virtual void open(const QString& nameOrAddress) = 0;
};

// The opener in force; tests install a recording one. nullptr restores the
// desktop's own.
void SetShellOpener(ShellOpener* opener);
ShellOpener& CurrentShellOpener();

// Throws kelto::Error on failure (the caller's handler reports it).
void OpenWithShell(const QString& nameOrAddress);

} // namespace kelto
