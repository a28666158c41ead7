// A text that names a value, both ways: the text reads as the value, and the
// value is written as that same text. An invalid value says the text is
// refused, and then there is nothing to write.
#pragma once
#include <QString>
#include <QTest>

namespace kelto::testing {

template <class T, class Read, class Write>
void ExpectBothWays(Read read, Write write, const QString& text, const T& value)
{
    QCOMPARE(read(text), value);
    if (value.isValid())
        QCOMPARE(write(value), text);
}

} // namespace kelto::testing
