#pragma once
// Small host-file helpers for the machine's own files (not files of its drives).
#include <string>

namespace plat::sim {

// Appends text to a host file in one write, under an exclusive flock, so that lines of
// different processes never interleave. Creates the file. False when it cannot.
bool AppendToHostFile(const std::string& path, const std::string& text);

}  // namespace plat::sim
