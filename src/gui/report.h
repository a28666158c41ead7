// Message boxes and the general error report: one place for the whole
// program, so tests can replace every box by a recorder.
#pragma once
#include <QMessageBox>
#include <QString>
#include <exception>
#include <functional>

namespace kelto {

struct TMessageRequest {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Captions for the buttons, where the standard texts do not say enough.
    QList<QPair<QMessageBox::StandardButton, QString>> buttonTexts;
};

using TMessageHandler = std::function<QMessageBox::StandardButton(const TMessageRequest&)>;

// Replaces every message box of the program; an empty handler brings the
// real boxes back.
void SetMessageHandler(TMessageHandler handler);
QMessageBox::StandardButton ShowMessage(const TMessageRequest& request);

inline constexpr const char* AppTitle = "Кельто";

// A full stop is appended when the text's last character sorts after ".".
QString WithFullStop(const QString& text);

// The general error report: a modal box titled "Кельто", error icon, OK.
void ReportError(const QString& text);

// A warning the user should know of: a box titled "Кельто", warning icon,
// OK; the text as it stands.
void ShowWarning(const QString& text);
// An information box titled "Кельто": something the user should know, no
// error of the program.
void ShowInformation(const QString& text);

// Runs `body`, handing any exception to the general error report, so that
// none crosses the event loop.
void Guarded(const std::function<void()>& body);

// Runs `body`; an exception ends it without a word. For handlers that the
// next change runs again (a date or a month picked).
void GuardedQuietly(const std::function<void()>& body);

} // namespace kelto
