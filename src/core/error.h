// The one exception type of the program. QtCore only.
#pragma once
#include <QString>
#include <stdexcept>

namespace kelto {

// Handlers catch it (and any std::exception) and hand the text to the
// general error report.
class TError : public std::runtime_error {
public:
    explicit TError(const QString& text)
        : std::runtime_error(text.toStdString())
        , m_text(text)
    {
    }
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

} // namespace kelto
