#pragma once
// The registry of a simulated machine: <machine>/registry.reg in the registry editor's version
// 5.00 text (UTF-16LE with its byte-order mark, CR LF line ends), shared by every process of the
// machine. Each access takes a lock on <machine>/registry.lock (shared to read, exclusive to
// change), sees the file as it is now (it is read again only when it changed) and every change
// is saved before the lock is released, through a temporary file renamed over the old one.
// A registry.reg that cannot be read is never written over.
#include <functional>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/sim/RegFile.h"

namespace plat::sim {

// registry.reg is damaged: the message names the file and the line.
class ERegistryDamaged : public ERegistryException {
 public:
  explicit ERegistryDamaged(std::string message)
      : ERegistryException("ERegistryException", std::move(message)) {}
};

std::string RegistryFileOf(const std::string& machineDir);

// Calls reader with the machine's registry as it is now. Raises ERegistryDamaged for a damaged
// registry.reg and ERegistryException when the machine directory cannot be used.
void ReadRegistry(const std::string& machineDir, const std::function<void(const RegTree&)>& reader);
// Calls change with the machine's registry as it is now, no other process reading or changing it
// meanwhile; when change returns true the registry is saved before anyone else sees it. A save
// that fails raises ERegistryException and leaves registry.reg as it was.
void ChangeRegistry(const std::string& machineDir, const std::function<bool(RegTree&)>& change);

// The editor's text (UTF-8, LF line ends, with the header) of the whole registry, or of one key
// ("HKEY_LOCAL_MACHINE\Software\X", "HKLM\Software\X"; UTF-8 as typed at a terminal) and
// everything below it. A key that does
// not exist raises plat::Exception.
std::string ExportRegistry(const std::string& machineDir, const std::string& key);
// Applies a registry file (host path) to the machine's registry, all of it or, when it is
// damaged, nothing (ERegistryException names the file and the line).
void ImportRegFile(const std::string& machineDir, const std::string& hostFile);
// The same for a file's bytes already read; source names the file in messages.
void ImportRegBytes(const std::string& machineDir, std::string_view bytes,
                    const std::string& source);

}  // namespace plat::sim
