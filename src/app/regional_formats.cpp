#include "app/regional_formats.h"

#include <QLocale>

namespace nummora {

FormatSettings SystemRegionalSettings() {
  const QLocale locale = QLocale::system();
  FormatSettings fs =
      MakeFormatSettings(locale.dateFormat(QLocale::ShortFormat).toLatin1().toStdString(),
                         locale.timeFormat(QLocale::LongFormat).toLatin1().toStdString(),
                         locale.amText().toLatin1().toStdString(), locale.pmText().toLatin1().toStdString());
  for (int m = 0; m < 12; ++m) {
    fs.shortMonthNames[m] = locale.monthName(m + 1, QLocale::ShortFormat).toLatin1().toStdString();
    fs.longMonthNames[m] = locale.monthName(m + 1, QLocale::LongFormat).toLatin1().toStdString();
  }
  for (int d = 0; d < 7; ++d) {
    fs.shortDayNames[d] = locale.dayName(d + 1, QLocale::ShortFormat).toLatin1().toStdString();
    fs.longDayNames[d] = locale.dayName(d + 1, QLocale::LongFormat).toLatin1().toStdString();
  }
  return fs;
}

}  // namespace nummora
