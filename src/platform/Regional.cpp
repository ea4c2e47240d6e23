#include "platform/Regional.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace plataforma {
namespace {
TFormatSettings& Atuais() {
  static TFormatSettings f = FormatSettingsBrasil();
  return f;
}
}  // namespace

TFormatSettings FormatSettingsBrasil() { return TFormatSettings{}; }

const TFormatSettings& FormatSettings() { return Atuais(); }
void DefinirFormatSettings(const TFormatSettings& f) { Atuais() = f; }

TDataHora Agora() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string FormatarData(const std::string& formato, const TDataHora& d, const TFormatSettings& f) {
  std::string out;
  char buf[16];
  for (size_t i = 0; i < formato.size();) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(formato[i])));
    size_t j = i;
    while (j < formato.size() && std::tolower(static_cast<unsigned char>(formato[j])) == c) ++j;
    size_t n = j - i;
    if (c == 'd' || c == 'm') {
      int v = c == 'd' ? d.Dia : d.Mes;
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", v);
      out += buf;
      i = j;
    } else if (c == 'y') {
      std::snprintf(buf, sizeof buf, n >= 3 ? "%04d" : "%02d", n >= 3 ? d.Ano : d.Ano % 100);
      out += buf;
      i = j;
    } else if (c == '/') {
      out += f.DateSeparator;
      ++i;
    } else if (c == '"') {
      size_t fim = formato.find('"', i + 1);
      if (fim == std::string::npos) fim = formato.size();
      out.append(formato, i + 1, fim - i - 1);
      i = fim + 1;
    } else {
      out += formato[i++];
    }
  }
  return out;
}

std::string DataSql(const TDataHora& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.Ano, d.Mes, d.Dia);
  return buf;
}

}  // namespace plataforma
