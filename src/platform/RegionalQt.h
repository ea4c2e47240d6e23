#pragma once
// The regional settings of the desktop's locale, as Qt reads them: the windows' settings. The
// year-end command never reads them.
#include <string_view>

#include "platform/Regional.h"

namespace plataforma {

// The settings of the user's locale (LC_ALL / LC_NUMERIC / LC_TIME / LANG).
TFormatSettings FormatSettingsDoLocale();
// The settings for a locale's decimal and group separators and short date format (Qt's pattern
// letters), all UTF-8. A separator without a Windows-1252 byte (U+202F, ...) falls back to the
// Brazilian one, "," decimal and "." group (swapped where the other separator already has it), and
// "/" in dates.
TFormatSettings FormatSettingsDe(std::string_view decimal, std::string_view grupo, std::string_view formatoData);

}  // namespace plataforma
