#pragma once
// Wildcard patterns for selecting archive members: "*" any run of characters ('\' included),
// "?" any one character, "<...>" one character of a set of characters and ranges ("a-c"),
// "<!...>" or "<^...>" one character outside it, "*<...>" any run of characters of the set.
// Every other character matches itself, exactly; the whole text must be consumed. A set
// without its closing ">" never matches. The matcher keeps no state between calls.
#include <string_view>

namespace niv {

bool WildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace niv
