#pragma once
// Runs the demo generator (python3) and hands back the SQL it prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/SuporteTestes.h"

namespace demo {

inline std::string Executar(const std::string& comando, int* status = nullptr) {
  std::string r;
  FILE* f = ::popen(comando.c_str(), "r");
  if (!f) return r;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) r.append(buf, n);
  int s = ::pclose(f);
  if (status) *status = s;
  return r;
}

inline bool TemPython() { return std::system("command -v python3 >/dev/null 2>&1") == 0; }

inline std::string Gerar(const std::string& argumentos) {
  int status = -1;
  std::string sql = Executar("python3 '" + suporte::CaminhoFonte("db/demo/gerar_demo.py") + "' " + argumentos, &status);
  EXPECT_EQ(status, 0) << argumentos;
  return sql;
}

}  // namespace demo
