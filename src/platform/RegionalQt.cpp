#include "platform/RegionalQt.h"

#include <QLocale>
#include <QString>

#include <optional>

#include "platform/Win1252.h"

namespace plataforma {
namespace {
// The one Windows-1252 byte of a separator; nothing when it has none or is not one character.
std::optional<char> UmByte(const QString& s) {
  if (s.size() != 1) return std::nullopt;
  return ByteW1252(s[0].unicode());
}
}  // namespace

TFormatSettings FormatSettingsDoLocale() {
  QLocale loc = QLocale::system();
  // A machine without a chosen locale (C/POSIX) gets the Brazilian settings the tool is made for.
  if (loc.language() == QLocale::C) return FormatSettingsBrasil();
  return FormatSettingsDe(loc.decimalPoint().toStdString(), loc.groupSeparator().toStdString(),
                          loc.dateFormat(QLocale::ShortFormat).toStdString());
}

TFormatSettings FormatSettingsDe(std::string_view decimal, std::string_view grupo, std::string_view formatoData) {
  TFormatSettings f;
  // A fallback never takes the other separator's byte: 1.234.56 would read as a different amount.
  std::optional<char> dec = UmByte(QString::fromUtf8(decimal)), grp = UmByte(QString::fromUtf8(grupo));
  f.DecimalSeparator = dec.value_or(grp == ',' ? '.' : ',');
  f.ThousandSeparator = grp.value_or(f.DecimalSeparator == '.' ? ',' : '.');
  // Qt's short format ("dd/MM/yyyy", "M/d/yy") in our pattern letters, with four-digit years.
  QString q = QString::fromUtf8(formatoData);
  std::string formato;
  char sep = 0;
  for (qsizetype i = 0; i < q.size(); ++i) {
    QChar c = q[i];
    if (c == u'd' || c == u'M' || c == u'y') {
      qsizetype j = i;
      while (j < q.size() && q[j] == c) ++j;
      qsizetype n = j - i;
      if (c == u'd')
        formato += n >= 2 ? "dd" : "d";
      else if (c == u'M')
        formato += n >= 2 ? "mm" : "m";
      else
        formato += "yyyy";
      i = j - 1;
    } else if (!c.isLetter()) {
      if (!sep) sep = UmByte(QString(c)).value_or('/');
      formato += '/';
    }
  }
  // Only numeric dates with a visible separator are usable in the date field and the register.
  if (formato.find('d') == std::string::npos || formato.find('m') == std::string::npos ||
      formato.find('y') == std::string::npos || q.contains(u"MMM") || sep == ' ' || sep == 0) {
    formato = "dd/mm/yyyy";
    sep = '/';
  }
  f.ShortDateFormat = formato;
  f.DateSeparator = sep;
  return f;
}

}  // namespace plataforma
