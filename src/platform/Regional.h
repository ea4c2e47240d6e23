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

// Brazilian settings: 31/12/2023 and 1.234,56.
TFormatSettings FormatSettingsBrasil();
// The settings of the user's locale (LC_ALL / LC_NUMERIC / LC_TIME / LANG).
TFormatSettings FormatSettingsDoLocale();
// The settings for a locale's decimal and group separators and short date format (Qt's pattern
// letters), all UTF-8. A separator without a Windows-1252 byte (U+202F, ...) falls back to the
// Brazilian one, "," decimal and "." group (swapped where the other separator already has it), and
// "/" in dates.
TFormatSettings FormatSettingsDe(std::string_view decimal, std::string_view grupo, std::string_view formatoData);

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
