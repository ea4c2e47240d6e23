#pragma once
// The widget boundary: Windows-1252 bytes <-> QString, nowhere else.
#include <QString>

#include <string>
#include <string_view>

#include "platform/Win1252.h"

inline QString ParaQString(std::string_view w1252) { return QString::fromUtf8(plataforma::W1252ParaUtf8(w1252)); }
inline std::string DeQString(const QString& s) { return plataforma::Utf8ParaW1252(s.toStdString()); }
// A UTF-8 source literal for a widget.
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
