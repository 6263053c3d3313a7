#include "archive/WildcardMatch.h"

#include <bitset>
#include <optional>
#include <vector>

namespace niv {

namespace {

struct Token {
  enum Kind { Literal, AnyOne, AnyRun, OneOfSet, RunOfSet } kind;
  char literal = 0;
  std::bitset<256> set;  // for the set kinds, already negated where asked
};

bool InSet(const Token& t, char c) {
  return t.set.test(static_cast<unsigned char>(c));
}

// Parses "<...>" starting after the '<' at pos; advances pos past the '>'. Nothing when the
// closing '>' is missing.
std::optional<std::bitset<256>> ParseSet(std::string_view p, size_t& pos) {
  std::bitset<256> set;
  bool negated = pos < p.size() && (p[pos] == '!' || p[pos] == '^');
  if (negated) ++pos;
  while (pos < p.size() && p[pos] != '>') {
    auto first = static_cast<unsigned char>(p[pos]);
    if (pos + 2 < p.size() && p[pos + 1] == '-' && p[pos + 2] != '>') {
      auto last = static_cast<unsigned char>(p[pos + 2]);
      for (unsigned c = first; c <= last; ++c) set.set(c);
      pos += 3;
    } else {
      set.set(first);
      ++pos;
    }
  }
  if (pos >= p.size()) return std::nullopt;
  ++pos;  // the '>'
  if (negated) set.flip();
  return set;
}

std::optional<std::vector<Token>> Parse(std::string_view p) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (pos < p.size()) {
    char c = p[pos++];
    if (c == '?') {
      tokens.push_back({Token::AnyOne, 0, {}});
    } else if (c == '<') {
      auto set = ParseSet(p, pos);
      if (!set) return std::nullopt;
      tokens.push_back({Token::OneOfSet, 0, *set});
    } else if (c == '*') {
      if (pos < p.size() && p[pos] == '<') {
        ++pos;
        auto set = ParseSet(p, pos);
        if (!set) return std::nullopt;
        tokens.push_back({Token::RunOfSet, 0, *set});
      } else {
        tokens.push_back({Token::AnyRun, 0, {}});
      }
    } else {
      tokens.push_back({Token::Literal, c, {}});
    }
  }
  return tokens;
}

}  // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) {
  if (pattern == "*") return true;
  auto tokens = Parse(pattern);
  if (!tokens) return false;
  // reach[i]: the first tokens consumed so far can end at text position i.
  std::vector<char> reach(text.size() + 1, 0), next(text.size() + 1);
  reach[0] = 1;
  for (const Token& t : *tokens) {
    std::fill(next.begin(), next.end(), 0);
    for (size_t i = 0; i <= text.size(); ++i) {
      bool runs = t.kind == Token::AnyRun || t.kind == Token::RunOfSet;
      if (runs) {
        // A run continues from an earlier reachable position or from the previous character.
        bool from = reach[i] ||
                    (i > 0 && next[i - 1] && (t.kind == Token::AnyRun || InSet(t, text[i - 1])));
        next[i] = from;
        continue;
      }
      if (!reach[i] || i == text.size()) continue;
      char c = text[i];
      bool ok = t.kind == Token::AnyOne || (t.kind == Token::Literal && c == t.literal) ||
                (t.kind == Token::OneOfSet && InSet(t, c));
      if (ok) next[i + 1] = 1;
    }
    reach.swap(next);
  }
  return reach[text.size()] != 0;
}

}  // namespace niv
