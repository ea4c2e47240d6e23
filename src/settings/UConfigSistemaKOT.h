#pragma once
// The suite's shared configuration file sistema_kot.ini beside the program; read, never written.
#include <stdexcept>
#include <string>

class TConfigSistemaKOT {
 public:
  TConfigSistemaKOT() = delete;
  // sistema_kot.ini beside the program.
  static std::string ConfigFileName();
  // A value of that file, or of another one (the command's --ini).
  static std::string ReadSetting(const std::string& Section, const std::string& Ident, const std::string& Default,
                                 const std::string& arquivo = ConfigFileName());
  static int GetCodLogica(const std::string& arquivo = ConfigFileName());
  static std::string GetPermissao();
};

// A text that is not the number it should be (the message names the text).
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Mode "E" scrambles Text with Key, "D" descrambles it; any other mode gives "".
// A malformed scrambled text raises "'$..' is not a valid integer value".
std::string ScrambleText(const std::string& Mode, const std::string& Text, const std::string& Key);
// The session's call: "" for a blank text, else ScrambleText("D", Text, Key).
std::string DescramblePassword(const std::string& Text, const std::string& Key);
