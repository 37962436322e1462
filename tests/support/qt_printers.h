#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

// Readable Qt strings in GoogleTest failure messages (found by argument
// dependent look-up, so they live in Qt's namespace: the global one).
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << '}';
}
