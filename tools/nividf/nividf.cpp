// nividf: shows a description file as the setup program reads it, or reads and writes it back.
//   nividf dump FILE     every Root parameter, then every section with its parameters
//   nividf save IN OUT   reads IN and writes it as the program would write it
//   nividf tree FILE     the subsystem tree the program builds from it, and its messages
// Files are host paths. Texts are printed in quotes, so leading and trailing blanks show; control
// bytes, quotes and backslashes are escaped, and code page 1251 is shown as UTF-8.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "description/IDFTextFile.h"
#include "model/TreeCommand.h"
#include "platform/Text.h"

namespace {

const char* TypeName(niv::TIDFValueType type) {
  switch (type) {
    case niv::idfString:
      return "string";
    case niv::idfInteger:
      return "integer";
    case niv::idfBoolean:
      return "boolean";
    case niv::idfDouble:
      return "double";
    case niv::idfBinary:
      return "binary";
  }
  return "?";
}

std::string Quoted(const std::string& ansi) {
  std::string out = "\"";
  std::string plain;
  auto flush = [&] {
    out += plat::AnsiToUtf8(plain);
    plain.clear();
  };
  for (char c : ansi) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '"' || c == '\\') {
      flush();
      char esc[8];
      if (c == '"' || c == '\\')
        std::snprintf(esc, sizeof esc, "\\%c", c);
      else
        std::snprintf(esc, sizeof esc, "\\x%02X", b);
      out += esc;
    } else {
      plain += c;
    }
  }
  flush();
  return out + "\"";
}

void DumpParams(const niv::TIDFSection& section) {
  for (const auto& param : section.Params())
    std::cout << "  " << Quoted(param->Name) << ' ' << TypeName(param->ValueType) << ' '
              << Quoted(param->AsString()) << '\n';
}

bool ReadHostFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  bytes = buffer.str();
  return true;
}

bool Load(const std::string& path, niv::TIDFTextFile& file) {
  std::string bytes;
  if (!ReadHostFile(path, bytes)) {
    std::cerr << "nividf: " << path << ": cannot be read\n";
    return false;
  }
  if (!file.LoadFromText(bytes)) {
    std::cerr << "nividf: " << path
              << ": not a description (its first line must begin with IDF-CPS-text or "
                 "IDF-FPS-text and its second line must be empty)\n";
    return false;
  }
  return true;
}

int Dump(const std::string& path) {
  niv::TIDFTextFile file;
  if (!Load(path, file)) return 1;
  std::cout << "root\n";
  DumpParams(file);
  for (const auto& section : file.Sections()) {
    std::cout << "section " << Quoted(section->Name) << (section->IsTree ? " tree" : " plain")
              << '\n';
    DumpParams(*section);
  }
  return 0;
}

int Save(const std::string& in, const std::string& out) {
  niv::TIDFTextFile file;
  if (!Load(in, file)) return 1;
  std::ofstream stream(out, std::ios::binary | std::ios::trunc);
  const std::string bytes = file.SaveToText();
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) {
    std::cerr << "nividf: " << out << ": cannot be written\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "dump" && argc == 3) return Dump(argv[2]);
  if (command == "save" && argc == 4) return Save(argv[2], argv[3]);
  if (command == "tree" && argc == 3) return niv::RunTreeCommand(argv[2]);
  std::cerr << "usage: nividf dump FILE\n       nividf save IN OUT\n       nividf tree FILE\n";
  return 2;
}
