#pragma once
// Windows attributes of host files, kept in the extended attribute "user.nivsim.attr" (decimal
// text) so that every process of the machine sees them; a generated short name is kept in
// "user.nivsim.short" once a program has seen it. A file without a stored value has the archive
// attribute, and is read-only when its host mode has no write bits (a read-only host folder mapped
// as a drive). The read-only attribute is also mirrored into the host mode bits.
#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace plat::sim {

uint32_t AttributesFromStat(const std::string& host, const struct stat& st);
// kInvalidAttributes when the file does not exist.
uint32_t ReadAttributes(const std::string& host);
// Stores the attributes (faReadOnly, faHidden, faSysFile, faArchive; faNormal clears them).
bool StoreAttributes(const std::string& host, uint32_t attributes);
std::string ReadStoredShortName(const std::string& host);
bool StoreShortName(const std::string& host, const std::string& shortName);
void ForgetShortName(const std::string& host);

}  // namespace plat::sim
