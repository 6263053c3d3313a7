#pragma once
// Command-line, string and path helpers shared by every part of the program.
#include <string>
#include <string_view>
#include <vector>

namespace niv {

// Parameters 1..n of the command line joined with one blank before each parameter whenever the
// text so far is not empty after trimming; so an unquoted path with blanks arrives whole.
std::string JoinedCommandLine();
std::string JoinParams(const std::vector<std::string>& params);

// token := text before the first separator, text := what follows it; without a separator the
// token is the whole text and the text becomes empty.
void SplitToken(std::string& text, char separator, std::string& token);
// The same at the last separator: token := what follows it, text := what precedes it.
void SplitTokenAtLast(std::string& text, char separator, std::string& token);
// The same with a separator string at its first occurrence. An empty separator never occurs.
void SplitAt(std::string& text, std::string_view separator, std::string& token);

// Without one trailing backslash.
std::string StripTrailingBackslash(std::string_view path);
// Without one trailing backslash, except that a drive root keeps it ("C:\" stays "C:\").
std::string DirWithoutBackslash(std::string_view path);
// With a trailing backslash; empty stays empty.
std::string WithTrailingBackslash(std::string_view path);

}  // namespace niv
