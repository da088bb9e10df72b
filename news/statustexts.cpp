#include "news/statustexts.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace StatusTexts {

namespace {
QLocale brazil()
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}
}  // namespace

QString datePanel(const QDate &date)
{
    return u' ' + brazil().toString(date, QStringLiteral("dddd,dd 'de' MMMM 'de' yyyy"));
}

QString timePanel(const QTime &time)
{
    return u' ' + brazil().toString(time, QStringLiteral("hh:mm:ss"));
}

}  // namespace StatusTexts
