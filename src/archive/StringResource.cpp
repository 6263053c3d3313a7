#include "archive/StringResource.h"

#include <map>
#include <mutex>

#include "platform/Exceptions.h"
#include "platform/Resources.h"
#include "platform/Text.h"

namespace niv {
namespace {

struct TLoadedTables {
  std::mutex lock;
  std::map<std::string, std::string_view> byName;  // upper-case name: the table's bytes
};

TLoadedTables& Tables() {
  static TLoadedTables tables;
  return tables;
}

std::string_view FindTable(std::string_view table) {
  TLoadedTables& t = Tables();
  std::string key = plat::AnsiUpperCase(table);
  std::lock_guard guard(t.lock);
  if (auto it = t.byName.find(key); it != t.byName.end()) return it->second;
  auto data = plat::FindResourceData("S_STRINGTABLE", table);
  if (!data) throw plat::Exception("EResNotFound", "Resource " + std::string(table) + " not found");
  t.byName.emplace(std::move(key), *data);
  return *data;
}

}  // namespace

std::string TS_StringResource::Load(std::string_view table, uint16_t number) {
  std::string_view data = FindTable(table);
  size_t at = 0;
  while (at + 3 <= data.size()) {
    auto id = static_cast<uint16_t>(static_cast<uint8_t>(data[at]) |
                                    static_cast<uint8_t>(data[at + 1]) << 8);
    size_t length = static_cast<uint8_t>(data[at + 2]);
    if (id == 0 || at + 3 + length > data.size()) break;
    if (id == number) return std::string(data.substr(at + 3, length));
    at += 3 + length;
  }
  return {};
}

}  // namespace niv
