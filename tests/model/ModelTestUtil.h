#pragma once
// Small descriptions written as text, loaded into trees, and views of a tree's flags.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "description/IDFTextFile.h"
#include "model/SysNode.h"
#include "model/TreeLoad.h"
#include "platform/Text.h"

namespace niv::test {

// A description from lines separated by "\n" (written with CR LF), after the magic line.
inline std::unique_ptr<TIDFTextFile> Description(const std::string& body) {
  std::string text = "IDF-CPS-text\r\n\r\n";
  for (char c : body) {
    if (c == '\n') text += '\r';
    text += c;
  }
  auto file = std::make_unique<TIDFTextFile>();
  EXPECT_TRUE(file->LoadFromText(text));
  return file;
}

struct Loaded {
  std::unique_ptr<TIDFTextFile> description;
  std::unique_ptr<TSysTree> tree = std::make_unique<TSysTree>();
  std::vector<std::string> messages;
  bool ok = false;

  TSysNode& Node(int32_t number) {
    TSysNode* node = tree->FindNode(number);
    if (!node) throw std::runtime_error("no subsystem " + std::to_string(number));
    return *node;
  }
};

inline Loaded Load(const std::string& body) {
  Loaded loaded;
  loaded.description = Description(body);
  loaded.ok = LoadTree(*loaded.tree, loaded.description.get(),
                       [&](const std::string& text, uint32_t) { loaded.messages.push_back(text); });
  return loaded;
}

// The numbers of the nodes whose flag is set, in the order of registration.
inline std::string Flagged(const TSysTree& tree, bool TSubsystemInfo::*flag) {
  std::string list;
  for (TSysNode* node : tree.AllNodes()) {
    if (!(node->Info.*flag)) continue;
    if (!list.empty()) list += ',';
    list += std::to_string(node->Info.Number);
  }
  return list;
}
inline std::string SelectedOf(const TSysTree& tree) {
  return Flagged(tree, &TSubsystemInfo::Selected);
}
inline std::string FullOf(const TSysTree& tree) {
  return Flagged(tree, &TSubsystemInfo::FullySelected);
}

// The shape of a tree: "1(2,3(4)),5", with "-" in front of nodes that are not Selected.
inline std::string Shape(const TCustomSysNode& container) {
  std::string text;
  for (auto& child : container.Children()) {
    if (!text.empty()) text += ',';
    if (!child->Info.Selected) text += '-';
    text += std::to_string(child->Info.Number);
    if (child->Count() > 0) text += "(" + Shape(*child) + ")";
  }
  return text;
}

// Builds nodes from a shape as Shape writes it; each node is named "N<number>".
inline void Build(TCustomSysNode& into, const std::string& shape) {
  size_t pos = 0;
  std::vector<TCustomSysNode*> containers{&into};
  TCustomSysNode* last = nullptr;
  while (pos < shape.size()) {
    char c = shape[pos];
    if (c == '(') {
      containers.push_back(last);
      ++pos;
    } else if (c == ')') {
      containers.pop_back();
      ++pos;
    } else if (c == ',') {
      ++pos;
    } else {
      bool selected = c != '-';
      if (!selected) ++pos;
      size_t end = shape.find_first_of("(),", pos);
      if (end == std::string::npos) end = shape.size();
      auto node = std::make_unique<TSysNode>();
      node->Info.Number = std::stoi(shape.substr(pos, end - pos));
      node->Info.ShortName = "N" + std::to_string(node->Info.Number);
      node->Info.SectionName = node->Info.ShortName;
      node->Info.Selected = node->Info.FullySelected = selected;
      last = &containers.back()->Add(std::move(node));
      pos = end;
    }
  }
}

inline std::unique_ptr<TSysTree> Tree(const std::string& shape) {
  auto tree = std::make_unique<TSysTree>();
  Build(*tree, shape);
  return tree;
}

}  // namespace niv::test
