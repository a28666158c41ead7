// Stand-ins shared by the widget tests: a shell opener that records what it
// was given, and typing of any text.
#pragma once
#include "core/error.h"
#include "gui/shellopen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

namespace kelto::testing {

class RecordingOpener : public TShellOpener {
public:
    QStringList opened;
    // Non-empty: every open fails with this text, after being recorded.
    QString failWith;
    // The desktop has no program for the file.
    bool noViewer = false;
    // Forgets what it was given and opens again without fault.
    void Reset()
    {
        opened.clear();
        failWith.clear();
        noViewer = false;
    }
    void Open(const QString& name) override
    {
        opened << name;
        if (noViewer)
            throw TNoViewerError(QStringLiteral("no viewer"));
        if (!failWith.isEmpty())
            throw TError(failWith);
    }
};

// QTest::keyClicks takes Latin-1 only; a technician types Cyrillic.
inline void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// Clears the field as a user does, then types `text` into it.
inline void ReplaceText(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    typeText(e, text);
}

} // namespace kelto::testing
