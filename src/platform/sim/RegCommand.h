#pragma once
// The registry tool of the machine (C:\WINDOWS\SYSTEM32\reg.exe): IMPORT, QUERY, ADD and DELETE
// in their usual short forms, on the registry of the current machine.
#include <iosfwd>
#include <string>
#include <vector>

namespace plat::sim {

// args: the tool's Windows arguments (ANSI) without the program's name. What it prints goes to
// out and err in UTF-8; questions ("overwrite (Yes/No)?") are answered from in. Gives the exit
// code: 0 for success, 1 for a failure or a refused question.
int RunRegTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               std::istream& in);

}  // namespace plat::sim
