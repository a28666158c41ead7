#include "calc/numerickey.h"

namespace kelto {

QChar CommaAllowed(const QString& text, QChar key)
{
    const qsizetype commas = text.count(QLatin1Char(',')) + (key == QLatin1Char(',') ? 1 : 0);
    return commas > 1 ? QChar(0) : key;
}

QChar FilterNumericKey(const QString& text, QChar key)
{
    if (key == QChar(8) || (key >= QLatin1Char('0') && key <= QLatin1Char('9')))
        return key;
    // A point typed on an English layout or on the keypad means the decimal
    // separator; dropping it would turn "2.5" into 25 without a word.
    if (key == QLatin1Char('.') || key == QLatin1Char(','))
        return CommaAllowed(text, QLatin1Char(','));
    return QChar(0);
}

} // namespace kelto
