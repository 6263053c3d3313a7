#include "platform/Registry.h"

#include "platform/Exceptions.h"
#include "platform/sim/Machine.h"
#include "platform/sim/RegistryStore.h"

namespace plat {

namespace {

using sim::RegKey;
using sim::RegTree;

std::string MachineDir() {
  return sim::CurrentMachineDir();
}

// The path below the root that a key argument names: from the root when it begins with '\',
// else from the open key.
std::string ResolveKey(bool open, const std::string& currentPath, std::string_view key) {
  std::string path;
  if (!key.empty() && key.front() == '\\') {
    path = key.substr(1);
  } else if (open && !currentPath.empty()) {
    path = currentPath + "\\" + std::string(key);
  } else {
    path = key;
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

[[noreturn]] void FailedToSet(std::string_view name) {
  throw ERegistryException("Failed to set data for '" + std::string(name) + "'");
}

[[noreturn]] void InvalidType(std::string_view name) {
  throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
}

// A copy of a value of the open key, or none.
struct FoundValue {
  bool found = false;
  sim::RegValue value;
};

}  // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  rootKey_ = root;
}

void TRegistry::CloseKey() {
  open_ = false;
  readOnly_ = false;
  currentPath_.clear();
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  const std::string path = ResolveKey(open_, currentPath_, key);
  bool opened = false;
  if (canCreate) {
    try {
      sim::ChangeRegistry(MachineDir(), [&](RegTree& tree) {
        bool created = false;
        opened = tree.Create(rootKey_, path, &created) != nullptr;
        return created;
      });
    } catch (const sim::ERegistryDamaged&) {
      throw;
    } catch (const ERegistryException&) {
      return false;  // the key could not be created: as RegCreateKeyEx failing
    }
  } else {
    opened = KeyExists("\\" + path);
  }
  if (!opened) return false;
  open_ = true;
  readOnly_ = false;
  currentPath_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  const std::string path = ResolveKey(open_, currentPath_, key);
  if (!KeyExists("\\" + path)) return false;
  open_ = true;
  readOnly_ = true;
  currentPath_ = path;
  return true;
}

bool TRegistry::KeyExists(std::string_view key) {
  const std::string path = ResolveKey(open_, currentPath_, key);
  bool exists = false;
  sim::ReadRegistry(MachineDir(),
                    [&](const RegTree& tree) { exists = tree.Find(rootKey_, path) != nullptr; });
  return exists;
}

bool TRegistry::DeleteKey(std::string_view key) {
  const std::string path = ResolveKey(open_, currentPath_, key);
  bool deleted = false;
  try {
    sim::ChangeRegistry(MachineDir(), [&](RegTree& tree) {
      deleted = tree.Delete(rootKey_, path);
      return deleted;
    });
  } catch (const sim::ERegistryDamaged&) {
    throw;
  } catch (const ERegistryException&) {
    return false;
  }
  return deleted;
}

bool TRegistry::HasSubKeys() {
  return !GetKeyNames().empty();
}

std::vector<std::string> TRegistry::GetKeyNames() {
  std::vector<std::string> names;
  if (!open_) return names;
  sim::ReadRegistry(MachineDir(), [&](const RegTree& tree) {
    if (const RegKey* key = tree.Find(rootKey_, currentPath_))
      for (const auto& sub : key->SubKeys()) names.push_back(sub->Name());
  });
  return names;
}

std::vector<std::string> TRegistry::GetValueNames() {
  std::vector<std::string> names;
  if (!open_) return names;
  sim::ReadRegistry(MachineDir(), [&](const RegTree& tree) {
    if (const RegKey* key = tree.Find(rootKey_, currentPath_))
      for (const auto& value : key->Values()) names.push_back(value.name);
  });
  return names;
}

namespace {

FoundValue FindOpenValue(HKEY root, bool open, const std::string& path, std::string_view name) {
  FoundValue result;
  if (!open) return result;
  sim::ReadRegistry(MachineDir(), [&](const RegTree& tree) {
    const RegKey* key = tree.Find(root, path);
    const sim::RegValue* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr) return;
    result.found = true;
    result.value = *value;
  });
  return result;
}

}  // namespace

bool TRegistry::ValueExists(std::string_view name) {
  return FindOpenValue(rootKey_, open_, currentPath_, name).found;
}

TRegDataType TRegistry::GetDataType(std::string_view name) {
  const FoundValue v = FindOpenValue(rootKey_, open_, currentPath_, name);
  if (!v.found) return rdUnknown;
  switch (v.value.type) {
    case REG_SZ:
      return rdString;
    case REG_EXPAND_SZ:
      return rdExpandString;
    case REG_DWORD:
      return rdInteger;
    case REG_BINARY:
      return rdBinary;
    default:
      return rdUnknown;
  }
}

std::string TRegistry::ReadString(std::string_view name) {
  const FoundValue v = FindOpenValue(rootKey_, open_, currentPath_, name);
  if (!v.found) return "";
  if (v.value.type != REG_SZ && v.value.type != REG_EXPAND_SZ) InvalidType(name);
  const std::string& data = v.value.data;
  return data.substr(0, data.find('\0'));
}

int32_t TRegistry::ReadInteger(std::string_view name) {
  const FoundValue v = FindOpenValue(rootKey_, open_, currentPath_, name);
  if (!v.found || v.value.type != REG_DWORD || v.value.data.size() != 4) InvalidType(name);
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(v.value.data[i]);
  return static_cast<int32_t>(value);
}

namespace {

void WriteValue(HKEY root, bool open, bool readOnly, const std::string& path, std::string_view name,
                uint32_t type, std::string data) {
  if (!open || readOnly || !sim::RegNameStorable(name)) FailedToSet(name);
  bool keyFound = false;
  try {
    sim::ChangeRegistry(MachineDir(), [&](RegTree& tree) {
      RegKey* key = tree.Find(root, path);
      keyFound = key != nullptr;
      return keyFound && key->SetValue(name, type, std::move(data));
    });
  } catch (const sim::ERegistryDamaged&) {
    throw;
  } catch (const ERegistryException&) {
    FailedToSet(name);
  }
  if (!keyFound) FailedToSet(name);  // the key was deleted since it was opened
}

}  // namespace

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  WriteValue(rootKey_, open_, readOnly_, currentPath_, name, REG_SZ, std::string(value));
}

void TRegistry::WriteExpandString(std::string_view name, std::string_view value) {
  WriteValue(rootKey_, open_, readOnly_, currentPath_, name, REG_EXPAND_SZ, std::string(value));
}

void TRegistry::WriteInteger(std::string_view name, int32_t value) {
  std::string data(4, '\0');
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  WriteValue(rootKey_, open_, readOnly_, currentPath_, name, REG_DWORD, std::move(data));
}

bool TRegistry::DeleteValue(std::string_view name) {
  if (!open_ || readOnly_) return false;
  bool deleted = false;
  try {
    sim::ChangeRegistry(MachineDir(), [&](RegTree& tree) {
      RegKey* key = tree.Find(rootKey_, currentPath_);
      deleted = key != nullptr && key->DeleteValue(name);
      return deleted;
    });
  } catch (const sim::ERegistryDamaged&) {
    throw;
  } catch (const ERegistryException&) {
    return false;
  }
  return deleted;
}

}  // namespace plat
