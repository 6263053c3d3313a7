#pragma once
// The registry of a simulated machine in memory, and the registry editor's text format that
// holds it on disk ("Windows Registry Editor Version 5.00"; "REGEDIT4" is read as well).
//
// Value data is kept as the ANSI side of Win32 gives it: REG_SZ and REG_EXPAND_SZ as the text
// without its terminating NUL; REG_MULTI_SZ as the texts each ended by NUL plus a final NUL;
// REG_DWORD as 4 little-endian bytes; every other type as its raw bytes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Registry.h"

namespace plat::sim {

// Key and value names compare without regard to ASCII case, as Win32 compares them.
bool RegNameEqual(std::string_view a, std::string_view b);
// Whether the editor's text can hold the name: no line breaks and no NUL.
bool RegNameStorable(std::string_view name);

struct RegValue {
  std::string name;  // "" for the default value
  uint32_t type = REG_SZ;
  std::string data;
};

class RegKey {
 public:
  explicit RegKey(std::string name = "") : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  const std::vector<RegValue>& Values() const { return values_; }
  // Kept in the order the registry enumerates them: by name, ignoring ASCII case.
  const std::vector<std::unique_ptr<RegKey>>& SubKeys() const { return subKeys_; }

  RegKey* FindSubKey(std::string_view name) const;
  RegKey& CreateSubKey(std::string_view name);  // the existing one when there is one
  bool DeleteSubKey(std::string_view name);     // with everything below it

  const RegValue* FindValue(std::string_view name) const;
  // Replaces the data and type of an existing value (keeping its name's case); false when the
  // value already held exactly this.
  bool SetValue(std::string_view name, uint32_t type, std::string data);
  bool DeleteValue(std::string_view name);

 private:
  std::string name_;
  std::vector<RegValue> values_;                        // in the order they were created
  std::unordered_map<std::string, size_t> valueIndex_;  // upper-case name -> index in values_
  std::vector<std::unique_ptr<RegKey>> subKeys_;
};

// The four root keys with everything below them.
class RegTree {
 public:
  RegKey* Root(HKEY root);  // nullptr for a root the machine does not have
  const RegKey* Root(HKEY root) const;
  // path: names separated by '\'; empty components are skipped; "" is the root itself.
  const RegKey* Find(HKEY root, std::string_view path) const;
  RegKey* Find(HKEY root, std::string_view path);
  // nullptr for an unknown root or a name that is not storable.
  RegKey* Create(HKEY root, std::string_view path, bool* created = nullptr);
  bool Delete(HKEY root, std::string_view path);  // false for a root or a missing key

 private:
  RegKey roots_[4] = {RegKey("HKEY_CLASSES_ROOT"), RegKey("HKEY_CURRENT_USER"),
                      RegKey("HKEY_LOCAL_MACHINE"), RegKey("HKEY_USERS")};
};

std::vector<std::string_view> SplitKeyPath(std::string_view path);
// Root names in the long form ("HKEY_LOCAL_MACHINE") and the short one ("HKLM"), any case.
bool ParseRootName(std::string_view name, HKEY& root);
std::string RootName(HKEY root);  // the long form
// "HKLM\Software\X" -> the root and "Software\X"; false for an unknown root.
bool SplitFullKey(std::string_view fullKey, HKEY& root, std::string& path);

// A registry file read in: the changes it makes, in file order.
struct RegValueChange {
  std::string name;
  bool remove = false;  // "name"=-
  uint32_t type = REG_SZ;
  std::string data;
};
struct RegKeyChange {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string path;
  bool remove = false;  // [-KEY]
  std::vector<RegValueChange> values;
};
struct RegFileContent {
  bool version5 = true;  // false for "REGEDIT4"
  std::vector<RegKeyChange> keys;
};

// Reads a registry file: UTF-16LE with its byte-order mark (as the editor writes version 5.00),
// UTF-8, or ANSI text. Raises ERegistryException "<source>, line N: <what is wrong>" for the
// first damage it finds; nothing is read partly.
RegFileContent ParseRegFile(std::string_view bytes, const std::string& source);
void ApplyRegFile(const RegFileContent& content, RegTree& tree);

// The editor's text of a key and everything below it, in UTF-8 with the given line ends,
// without the header line. fullName is the key's name as the file shows it.
void FormatRegKey(const RegKey& key, const std::string& fullName, std::string_view newline,
                  std::string& out);
// The whole tree as the editor's version 5.00 text in UTF-8 (header included).
std::string FormatRegTree(const RegTree& tree, std::string_view newline);

// UTF-8 <-> UTF-16LE (bytes). Invalid sequences become U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);
std::string Utf16LeToUtf8(std::string_view utf16);

}  // namespace plat::sim
