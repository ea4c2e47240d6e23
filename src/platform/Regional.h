#pragma once
// Regional format settings (date separator, short date format, group and decimal separators),
// read once from the user's locale at start-up and reachable wherever texts are formatted.
#include <string>
#include <string_view>

namespace plataforma {

struct TFormatSettings {
  char DateSeparator = '/';
  std::string ShortDateFormat = "dd/mm/yyyy";  // "/" stands for DateSeparator
  char ThousandSeparator = '.';
  char DecimalSeparator = ',';
};

// Brazilian settings: 31/12/2023 and 1.234,56. The settings of the desktop's locale are the
// windows' (platform/RegionalQt.h).
TFormatSettings FormatSettingsBrasil();

const TFormatSettings& FormatSettings();
void DefinirFormatSettings(const TFormatSettings& f);

// A calendar date with an optional time of day.
struct TDataHora {
  int Ano = 1899, Mes = 12, Dia = 30;
  int Hora = 0, Minuto = 0, Segundo = 0;
  friend bool operator==(const TDataHora&, const TDataHora&) = default;
};

TDataHora Agora();

// Formats with the patterns d, dd, m, mm, yy, yyyy (case-insensitive); "/" is the date separator
// and text between double quotes is copied.
std::string FormatarData(const std::string& formato, const TDataHora& d, const TFormatSettings& f = FormatSettings());

// "yyyy-mm-dd", whatever the locale: the form every SQL text gets.
std::string DataSql(const TDataHora& d);

}  // namespace plataforma
