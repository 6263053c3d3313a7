#include "model/TreeCommand.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

#include "model/TreeLoad.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace niv {
namespace {

std::string Line(const TSysNode& node, size_t depth) {
  const TSubsystemInfo& info = node.Info;
  std::ostringstream out;
  out << std::string(depth * 2, ' ') << info.Number << " [" << info.SectionName << "] \""
      << info.ShortName << "\" parent=" << info.ParentNumber << " depend=" << info.Depend
      << " dependents=" << info.Dependents << " viewparent=" << info.ViewParent
      << " viewonly=" << (info.ViewOnly ? "yes" : "no") << " library=" << info.LibraryName
      << " archives=" << info.Archives << " links=" << info.Links << " check=" << info.CheckFiles
      << " req=" << info.ReqFiles;
  return plat::AnsiToUtf8(out.str());
}

// Each node with its depth, depth first.
void Describe(const TSysTree& tree, std::ostringstream& out) {
  std::vector<std::pair<const TCustomSysNode*, size_t>> stack{{&tree, 0}};
  while (!stack.empty()) {
    auto& [container, next] = stack.back();
    if (next == container->Children().size()) {
      stack.pop_back();
      continue;
    }
    const TSysNode& child = *container->Children()[next++];
    out << Line(child, stack.size() - 1) << '\n';
    stack.emplace_back(&child, 0);
  }
}

}  // namespace

std::string TreeReport(const TIDFTextFile& description, int& result) {
  std::vector<std::string> messages;
  auto collect = [&](const std::string& text, uint32_t) { messages.push_back(text); };
  std::ostringstream out;
  TSysTree tree;
  bool loaded = false;
  std::string error;
  try {
    loaded = LoadTree(tree, &description, collect);
  } catch (const plat::Exception& e) {
    error = e.ClassName() + ": " + e.Message();
  } catch (const std::exception& e) {
    error = e.what();
  }
  Describe(tree, out);
  out << tree.AllNodesCount() << " subsystems\n";
  for (const std::string& text : messages) out << "message: " << plat::AnsiToUtf8(text) << '\n';
  if (!error.empty()) out << "error: " << plat::AnsiToUtf8(error) << '\n';
  result = loaded ? 0 : 1;
  out << (loaded ? "loaded" : "not loaded") << '\n';
  return out.str();
}

int RunTreeCommand(const std::string& hostFile) {
  std::ifstream in(hostFile, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TIDFTextFile description;
  if (!in.good() && !in.eof()) {
    std::cerr << "cannot read " << hostFile << '\n';
    return 2;
  }
  if (!in.is_open() || !description.LoadFromText(bytes)) {
    std::cerr << hostFile << ": not a description file\n";
    return 2;
  }
  int result = 0;
  std::cout << TreeReport(description, result);
  return result;
}

}  // namespace niv
