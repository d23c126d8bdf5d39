// qt_print.h - readable QString and QStringList values in GoogleTest's failure messages.
#ifndef VELK_TESTS_APP_QT_PRINT_H
#define VELK_TESTS_APP_QT_PRINT_H

#include <QString>
#include <QStringList>

#include <ostream>

namespace velk {

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << '}';
}

} // namespace velk

#endif
