#include "gui/report.h"
#include "core/error.h"

#include <QApplication>
#include <QPushButton>
#include <new>

namespace kelto {

namespace {
TMessageHandler g_handler;
}

void SetMessageHandler(TMessageHandler handler)
{
    g_handler = std::move(handler);
}

QMessageBox::StandardButton ShowMessage(const TMessageRequest& r)
{
    if (g_handler)
        return g_handler(r);
    QMessageBox box(r.icon, r.caption, r.text, r.buttons, QApplication::activeWindow());
    if (r.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(r.defaultButton);
    for (const auto& [b, t] : r.buttonTexts)
        if (QAbstractButton* btn = box.button(b))
            btn->setText(t);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString WithFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

namespace {

// A box of the program's own, titled "Кельто".
void ShowBox(QMessageBox::Icon icon, const QString& text)
{
    TMessageRequest r;
    r.icon = icon;
    r.caption = QString::fromUtf8(AppTitle);
    r.text = text;
    ShowMessage(r);
}

} // namespace

void ReportError(const QString& text)
{
    ShowBox(QMessageBox::Critical, WithFullStop(text));
}

void ShowWarning(const QString& text)
{
    ShowBox(QMessageBox::Warning, text);
}

void ShowInformation(const QString& text)
{
    ShowBox(QMessageBox::Information, text);
}

void Guarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const TError& e) {
        ReportError(e.text());
    } catch (const std::bad_alloc&) {
        // Not the library's own text ("std::bad_alloc"): the user's words.
        // What was being done is dropped and the program goes on.
        ReportError(QStringLiteral("Недостаточно памяти."));
    } catch (const std::exception& e) {
        ReportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ReportError(QStringLiteral("Внутренняя ошибка программы"));
    }
}

void GuardedQuietly(const std::function<void()>& body)
{
    try {
        body();
    } catch (...) {
    }
}

} // namespace kelto
