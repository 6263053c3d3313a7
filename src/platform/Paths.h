#pragma once
// Pure string operations on Windows paths ("C:\Dir\File.txt", "\\Server\Share\Dir").
#include <string>
#include <string_view>

namespace plat {

std::string ExtractFilePath(std::string_view path);   // up to and including the last '\' or ':'
std::string ExtractFileName(std::string_view path);   // after the last '\' or ':'
std::string ExtractFileExt(std::string_view path);    // from the last '.' of the name, or ""
std::string ExtractFileDrive(std::string_view path);  // "C:" or "\\Server\Share", or ""
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);
// An absolute path from a relative one, against the process's current directory; "." and ".."
// components are resolved, '/' becomes '\'.
std::string ExpandFileName(std::string_view path);
bool IsUncPath(std::string_view path);

}  // namespace plat
