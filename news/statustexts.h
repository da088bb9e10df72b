#pragma once

#include <QString>

class QDate;
class QTime;

// The texts of the status bar's date and time panels: a blank, then the
// moment the browser window was created.
namespace StatusTexts {

// e.g. " sábado,05 de março de 2011", with Portuguese (Brazil) names.
QString datePanel(const QDate &date);
// e.g. " 09:04:05", hours 00 to 23.
QString timePanel(const QTime &time);

}  // namespace StatusTexts
