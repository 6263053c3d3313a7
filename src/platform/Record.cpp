// The machine's record, "record.log" in the machine folder. One event a line:
//
//   KIND<TAB>NAME=VALUE<TAB>NAME=VALUE...<LF>
//
// Texts are the raw ANSI bytes. A backslash, tab, line feed and carriage return inside a kind,
// name or value are written as \\, \t, \n and \r, other control characters as \xHH, and '=' in
// a kind or name as \=; a value runs from the first unescaped '=' of its field to the tab. Each
// line is appended in one write under an exclusive lock of the file, so lines of different
// processes never interleave.
#include "platform/Record.h"

#include <fstream>
#include <sstream>

#include "platform/sim/HostFiles.h"
#include "platform/sim/Machine.h"

namespace plat {
namespace {

std::string Escape(std::string_view s, bool isName) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '=':
        out += isName ? "\\=" : "=";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          out += "\\x";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        } else {
          out += c;
        }
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Unescapes s[from, to); stops early at an unescaped '=' when stopAtEquals, giving its index.
std::string Unescape(std::string_view s, size_t from, size_t to, bool stopAtEquals,
                     size_t* stop = nullptr) {
  std::string out;
  size_t i = from;
  for (; i < to; ++i) {
    char c = s[i];
    if (c == '=' && stopAtEquals) break;
    if (c != '\\' || i + 1 >= to) {
      out += c;
      continue;
    }
    char e = s[++i];
    switch (e) {
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'x':
        if (i + 2 < to + 0 && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
          out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
          i += 2;
        } else {
          out += 'x';
        }
        break;
      default:
        out += e;
        break;  // "\\", "\=" and anything unknown stand for the character
    }
  }
  if (stop) *stop = i;
  return out;
}

RecordEvent ParseLine(std::string_view line) {
  RecordEvent event;
  size_t pos = 0;
  bool first = true;
  while (pos <= line.size()) {
    size_t tab = line.find('\t', pos);
    if (tab == std::string_view::npos) tab = line.size();
    if (first) {
      event.kind = Unescape(line, pos, tab, false);
      first = false;
    } else if (tab > pos) {
      size_t eq = 0;
      std::string name = Unescape(line, pos, tab, true, &eq);
      std::string value = eq < tab ? Unescape(line, eq + 1, tab, false) : "";
      event.fields.emplace_back(std::move(name), std::move(value));
    }
    pos = tab + 1;
  }
  return event;
}

}  // namespace

std::string RecordEvent::Field(std::string_view name) const {
  for (const auto& [n, v] : fields)
    if (n == name) return v;
  return "";
}

void AppendRecord(const RecordEvent& event) {
  std::string dir = sim::CurrentMachineDir();
  if (dir.empty()) return;
  std::string line = Escape(event.kind, true);
  for (const auto& [name, value] : event.fields)
    line += "\t" + Escape(name, true) + "=" + Escape(value, false);
  line += "\n";
  sim::AppendToHostFile(dir + "/record.log", line);
}

std::vector<RecordEvent> ReadRecord(const std::string& machineHostDir) {
  std::vector<RecordEvent> events;
  std::ifstream in(machineHostDir + "/record.log", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    events.push_back(ParseLine(line));
  }
  return events;
}

}  // namespace plat
