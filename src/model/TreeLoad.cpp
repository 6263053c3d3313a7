#include "model/TreeLoad.h"

#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "forms/MessageBox.h"
#include "model/NumberList.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace niv {
namespace {

const char kSubSystems[] = "SubSystems";

std::string DuplicateNumbersText() {
  static const std::string text = plat::A("Найдены системы с одинаковыми номерами");
  return text;
}

bool StartsWithNoCase(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && plat::AsciiUpper(name.substr(0, prefix.size())) == prefix;
}

// What the loader needs to know about the entries of "SubSystems", worked out once so that
// loading stays linear in the size of the description.
class TSubsystemsIndex {
 public:
  TSubsystemsIndex(const TIDFSection& subsystems, const TIDFTextFile& description,
                   const TTreeMessageSink& show)
      : show_(show) {
    for (auto& section : description.Sections())
      sectionByName_.emplace(plat::AsciiUpper(section->Name), section.get());
    const auto& params = subsystems.Params();
    entries_.resize(params.size());
    for (size_t i = 0; i < params.size(); ++i) Describe(i, *params[i]);
  }

  size_t Count() const { return entries_.size(); }
  const TIDFParam& Param(size_t i) const { return *entries_[i].param; }
  const TIDFSection* Section(size_t i) const { return entries_[i].section; }

  // The entries whose section names number as "Parent", in order.
  const std::vector<size_t>& ChildrenOf(int32_t number) const {
    static const std::vector<size_t> none;
    auto it = childrenOf_.find(number);
    return it == childrenOf_.end() ? none : it->second;
  }

  int32_t NumberOfSection(const std::string& name) const {
    auto it = numberByKey_.find(name);
    return it == numberByKey_.end() ? 0 : it->second;
  }

  std::string CollectDependents(int32_t number) const {
    for (size_t i : badDepends_) {
      const Entry& entry = entries_[i];
      if (entry.hasValue && entry.value == number) continue;
      if (!entry.dependsOn.count(number))
        show_("Invalid 'depend' string in setup.idf. Section - " + entry.section->Name,
              forms::MB_OK | forms::MB_TASKMODAL);
    }
    std::string result;
    auto it = dependentsOf_.find(number);
    if (it == dependentsOf_.end()) return result;
    for (size_t i : it->second) {
      const Entry& entry = entries_[i];
      if (entry.hasValue && entry.value == number) continue;
      if (!result.empty()) result += ',';
      result += entry.param->AsString();
    }
    return result;
  }

 private:
  struct Entry {
    const TIDFParam* param = nullptr;
    bool hasValue = false;
    int32_t value = 0;
    const TIDFSection* section = nullptr;
    // The numbers of its "Depend" before the first item that is not an integer.
    std::unordered_set<int32_t> dependsOn;
  };

  void Describe(size_t i, const TIDFParam& param) {
    Entry& entry = entries_[i];
    entry.param = &param;
    entry.hasValue = TryAsInteger(param, entry.value);
    if (entry.hasValue) numberByKey_.emplace(param.Name, entry.value);

    auto found = sectionByName_.find(plat::AsciiUpper(param.Name));
    if (found == sectionByName_.end()) return;
    entry.section = found->second;

    int32_t parent = 0;
    bool parentOk = true;
    try {
      parent = ReadIntKey(*entry.section, "Parent");
    } catch (const std::exception&) {
      parentOk = false;  // it can be nobody's child
    }
    if (parentOk && parent != 0) childrenOf_[parent].push_back(i);

    std::string depend = ReadTextKey(*entry.section, "Depend");
    for (const std::string& item : SplitList(depend)) {
      int32_t number = 0;
      if (!plat::TryStrToInt(plat::Trim(item), number)) {
        badDepends_.push_back(i);
        break;
      }
      if (entry.dependsOn.insert(number).second) dependentsOf_[number].push_back(i);
    }
  }

  static bool TryAsInteger(const TIDFParam& param, int32_t& value) {
    try {
      value = param.AsInteger();
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  const TTreeMessageSink& show_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, const TIDFSection*> sectionByName_;
  std::unordered_map<std::string, int32_t> numberByKey_;
  std::unordered_map<int32_t, std::vector<size_t>> childrenOf_;
  std::unordered_map<int32_t, std::vector<size_t>> dependentsOf_;
  std::vector<size_t> badDepends_;
};

// Adds the subsystems that hang under root, depth first, each child before its own children.
// A section is loaded once under one parent, also when several entries of "SubSystems" differ
// only in letter case and so find the same section: each would load the whole branch again,
// twice as often at every level.
bool LoadBranch(TSysNode& root, const TSubsystemsIndex& index) {
  struct Frame {
    TSysNode* node;
    const TIDFSection* section;
    const std::vector<size_t>* entries;
    size_t next;
    std::unordered_set<const TIDFSection*> loaded;
  };
  // Sections on the current path: a section never hangs under itself.
  std::unordered_multiset<const TIDFSection*> onPath;
  std::vector<Frame> stack;
  stack.push_back({&root, nullptr, &index.ChildrenOf(root.Info.Number), 0, {}});
  bool added = false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.entries->size()) {
      if (frame.section) onPath.erase(onPath.find(frame.section));
      stack.pop_back();
      continue;
    }
    size_t entry = (*frame.entries)[frame.next++];
    const TIDFSection* section = index.Section(entry);
    if (onPath.count(section) || !frame.loaded.insert(section).second) continue;
    auto child = std::make_unique<TSysNode>();
    child->Info.Number = index.NumberOfSection(section->Name);
    try {
      ReadSubsystemSection(*child, *section);
    } catch (const std::exception&) {
      continue;  // a key that should be an integer is not: leave the child and its branch out
    }
    child->Info.Dependents = index.CollectDependents(child->Info.Number);
    TSysNode& node = frame.node->Add(std::move(child));
    if (stack.size() == 1) added = true;
    onPath.insert(section);
    stack.push_back({&node, section, &index.ChildrenOf(node.Info.Number), 0, {}});
  }
  return added;
}

// The duplicate check converts the values in the order a pairwise comparison would meet them,
// so that a value that is not an integer raises before a later duplicate is found.
bool HasDuplicateNumbers(const TIDFSection& subsystems) {
  const auto& params = subsystems.Params();
  if (params.empty()) return false;
  const int32_t first = params[0]->AsInteger();
  std::unordered_set<int32_t> seen{first};
  bool duplicate = false;
  for (size_t i = 1; i < params.size(); ++i) {
    int32_t value = params[i]->AsInteger();
    if (value == first) return true;
    duplicate = !seen.insert(value).second || duplicate;
  }
  return duplicate;
}

}  // namespace

void ShowTreeMessage(const std::string& text, uint32_t flags) {
  forms::ShowMessageBox(text, "", flags);
}

int32_t ReadIntKey(const TIDFSection& section, std::string_view key) {
  const TIDFParam* param = section.FindParam(key);
  if (!param || param->AsString().empty()) return 0;
  return param->AsInteger();
}

std::string ReadTextKey(const TIDFSection& section, std::string_view key) {
  const TIDFParam* param = section.FindParam(key);
  return param ? param->AsString() : std::string();
}

int32_t NumberOfSection(const TIDFSection& subsystems, std::string_view sectionName) {
  for (auto& param : subsystems.Params()) {
    if (param->Name != sectionName) continue;
    try {
      return param->AsInteger();
    } catch (const std::exception&) {
      // passed over
    }
  }
  return 0;
}

void ReadSubsystemSection(TSysNode& node, const TIDFSection& section) {
  TSubsystemInfo& info = node.Info;
  info.SectionName = section.Name;
  info.Selected = false;
  info.FullySelected = false;
  info.ParentNumber = ReadIntKey(section, "Parent");
  info.Depend = ReadTextKey(section, "Depend");
  info.LibraryName = ReadTextKey(section, "Library");
  info.Parameter = ReadTextKey(section, "Parameter");
  info.Archives = ReadTextKey(section, "Archive");
  info.ShortName = ReadTextKey(section, "Short name");
  info.FullName = ReadTextKey(section, "Full name");
  info.ViewParent = ReadIntKey(section, "ViewParent");
  info.ViewOnly = plat::AsciiUpper(plat::Trim(ReadTextKey(section, "ViewOnly"))) == "TRUE";

  // Of several entries with one name, each contributes the value of the first.
  auto valueOf = [&](const TIDFParam& param) { return ReadTextKey(section, param.Name); };
  auto join = [](std::string& list, char separator, const std::string& item) {
    if (!list.empty()) list += separator;
    list += item;
  };
  info.Links.clear();
  for (auto& param : section.Params()) {
    if (StartsWithNoCase(param->Name, "MENULINK"))
      join(info.Links, '*', valueOf(*param) + "?menu");
    else if (StartsWithNoCase(param->Name, "DESKTOPLINK"))
      join(info.Links, '*', valueOf(*param) + "?desktop");
  }
  info.CheckFiles.clear();
  info.ReqFiles.clear();
  for (auto& param : section.Params())
    if (StartsWithNoCase(param->Name, "CHECKFILE")) join(info.CheckFiles, ',', valueOf(*param));
  for (auto& param : section.Params())
    if (StartsWithNoCase(param->Name, "REQFILE")) join(info.ReqFiles, ',', valueOf(*param));
}

std::string CollectDependents(int32_t number, const TIDFSection& subsystems,
                              const TIDFTextFile& description, const TTreeMessageSink& show) {
  return TSubsystemsIndex(subsystems, description, show).CollectDependents(number);
}

bool LoadChildren(TSysNode& node, const TIDFSection& subsystems, const TIDFTextFile& description,
                  const TTreeMessageSink& show) {
  return LoadBranch(node, TSubsystemsIndex(subsystems, description, show));
}

bool LoadTree(TSysTree& tree, const TIDFTextFile* description, const TTreeMessageSink& show) {
  tree.Clear();
  if (!description) return false;
  const TIDFSection* subsystems = description->FindSection(kSubSystems);
  if (!subsystems) return true;
  if (HasDuplicateNumbers(*subsystems)) {
    show(DuplicateNumbersText(), forms::MB_OK | forms::MB_ICONERROR | forms::MB_TASKMODAL);
    return false;
  }
  TSubsystemsIndex index(*subsystems, *description, show);
  for (size_t i = 0; i < index.Count(); ++i) {
    const int32_t number = index.Param(i).AsInteger();
    const TIDFSection* section = index.Section(i);
    if (number == 0 || !section) continue;
    try {
      if (ReadIntKey(*section, "Parent") != 0) continue;  // loaded as somebody's child
      auto node = std::make_unique<TSysNode>();
      node->Info.Number = number;
      ReadSubsystemSection(*node, *section);
      node->Info.Dependents = index.CollectDependents(number);
      LoadBranch(tree.Add(std::move(node)), index);
    } catch (const std::exception&) {
      // an integer key that is not an integer: this entry is left out
    }
  }
  return true;
}

bool SaveTree(const TSysTree& tree, TIDFTextFile& description) {
  try {
    TIDFSection& subsystems = description.AddSection(kSubSystems);
    ForEachBelow(tree, [&](const TSysNode& node) {
      const TSubsystemInfo& info = node.Info;
      subsystems.AddParam(info.SectionName).SetAsInteger(info.Number);
      TIDFSection& section = description.AddSection(info.SectionName);
      section.AddParam("Parent").SetAsInteger(info.ParentNumber);
      section.AddParam("Depend").SetAsString(info.Depend);
      section.AddParam("Library").SetAsString(info.LibraryName);
      section.AddParam("Parameter").SetAsString(info.Parameter);
      section.AddParam("Archive").SetAsString(info.Archives);
      section.AddParam("Short Name").SetAsString(info.ShortName);
      section.AddParam("Full Name").SetAsString(info.FullName);
      section.AddParam("CheckFile").SetAsString(info.CheckFiles);
      section.AddParam("ReqFile").SetAsString(info.ReqFiles);
      // Menu and desktop links share one sequence of numbers.
      int position = 0;
      for (const std::string& item : SplitList(info.Links, '*')) {
        const std::string number = plat::IntToStr(++position);
        if (item.ends_with("?menu"))
          section.AddParam("MenuLink" + number).SetAsString(item.substr(0, item.size() - 5));
        else if (item.ends_with("?desktop"))
          section.AddParam("DesktopLink" + number).SetAsString(item.substr(0, item.size() - 8));
      }
    });
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace niv
