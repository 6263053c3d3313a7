#pragma once
// The registry, in the shape of the window framework's registry class. Key paths beginning with
// '\' are taken from the root key; others from the open key. Names compare without regard to
// ASCII case and keep the case they were created with.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

using HKEY = uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;

// Registry value types (Win32 values).
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry {
 public:
  TRegistry();  // root HKEY_CURRENT_USER, no key open
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY root);  // closes the open key
  const std::string& CurrentPath() const { return currentPath_; }

  bool OpenKey(std::string_view key, bool canCreate);
  bool OpenKeyReadOnly(std::string_view key);
  void CloseKey();
  bool KeyExists(std::string_view key);
  bool DeleteKey(std::string_view key);  // with all its subkeys
  bool HasSubKeys();
  std::vector<std::string> GetKeyNames();

  // Values of the open key. ReadString gives "" for a missing value; ReadInteger of a missing
  // value or of another type raises ERegistryException "Invalid data type for 'NAME'"; a write
  // that fails raises ERegistryException "Failed to set data for 'NAME'".
  bool ValueExists(std::string_view name);
  TRegDataType GetDataType(std::string_view name);
  std::string ReadString(std::string_view name);
  void WriteString(std::string_view name, std::string_view value);
  void WriteExpandString(std::string_view name, std::string_view value);
  int32_t ReadInteger(std::string_view name);
  void WriteInteger(std::string_view name, int32_t value);
  std::vector<std::string> GetValueNames();
  bool DeleteValue(std::string_view name);

 private:
  HKEY rootKey_ = HKEY_CURRENT_USER;
  std::string currentPath_;  // without leading '\'; "" when no key is open
  bool open_ = false;
  bool readOnly_ = false;
};

}  // namespace plat
