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

QString FilterPastedText(const QString& text, qsizetype from, qsizetype length, const QString& pasted)
{
    QString current = text;
    qsizetype caret = qBound<qsizetype>(0, from, text.size());
    qsizetype selected = qBound<qsizetype>(0, length, text.size() - caret);
    QString inserted;
    for (QChar c : pasted) {
        // A Backspace or a line end in the clipboard is no keystroke.
        if (c.unicode() < 32)
            continue;
        const QChar key = FilterNumericKey(current, c);
        if (key.isNull())
            continue;
        current.remove(caret, selected);
        selected = 0;
        current.insert(caret++, key);
        inserted += key;
    }
    return inserted;
}

} // namespace kelto
