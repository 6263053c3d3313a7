#include "model/TreeLists.h"

#include <exception>
#include <unordered_set>

#include "forms/StringList.h"
#include "model/NumberList.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace niv {
namespace {

template <class Visit>
void ForEachDeselected(const TCustomSysNode& root, Visit visit) {
  ForEachBelow(root, [&](const TSysNode& node) {
    if (!node.Info.Selected) visit(node.Info);
  });
}

void ListFileNames(const TCustomSysNode& root, std::vector<std::string>& list,
                   std::string TSubsystemInfo::*field) {
  try {
    ForEachDeselected(root, [&](const TSubsystemInfo& info) {
      for (const std::string& item : SplitList(info.*field)) {
        std::string name = plat::Trim(item);
        if (!name.empty()) list.push_back(std::move(name));
      }
    });
  } catch (const std::exception&) {
    // what was listed stays
  }
}

}  // namespace

void ListDeselectedNames(const TCustomSysNode& root, std::vector<std::string>& lines) {
  ForEachDeselected(root, [&](const TSubsystemInfo& info) { lines.push_back(info.ShortName); });
}

void ListLinks(const TCustomSysNode& root, std::vector<std::string>& list, TLinkKind kind) {
  constexpr std::string_view kMenu = "?menu";
  constexpr std::string_view kDesktop = "?desktop";
  try {
    ForEachDeselected(root, [&](const TSubsystemInfo& info) {
      for (const std::string& item : SplitList(info.Links, '*')) {
        if (item.empty()) continue;  // no link is defined there
        const bool menu = item.ends_with(kMenu);
        if (menu && kind == lkMenu) list.push_back(item.substr(0, item.size() - kMenu.size()));
        if (!menu && kind == lkDesktop)
          list.push_back(item.size() > kDesktop.size()
                             ? item.substr(0, item.size() - kDesktop.size())
                             : std::string());
      }
    });
  } catch (const std::exception&) {
    // what was listed stays
  }
}

void ListCheckFiles(const TCustomSysNode& root, std::vector<std::string>& list) {
  ListFileNames(root, list, &TSubsystemInfo::CheckFiles);
}

void ListReqFiles(const TCustomSysNode& root, std::vector<std::string>& list) {
  ListFileNames(root, list, &TSubsystemInfo::ReqFiles);
}

namespace {

template <class List>
void IntoStringList(forms::TStringList& into, List list) {
  std::vector<std::string> items;
  list(items);
  for (std::string& item : items) into.Add(std::move(item));
}

}  // namespace

void ListDeselectedNames(const TCustomSysNode& root, forms::TStringList& lines) {
  IntoStringList(lines, [&](auto& items) { ListDeselectedNames(root, items); });
}

void ListLinks(const TCustomSysNode& root, forms::TStringList& list, TLinkKind kind) {
  IntoStringList(list, [&](auto& items) { ListLinks(root, items, kind); });
}

void ListCheckFiles(const TCustomSysNode& root, forms::TStringList& list) {
  IntoStringList(list, [&](auto& items) { ListCheckFiles(root, items); });
}

void ListReqFiles(const TCustomSysNode& root, forms::TStringList& list) {
  IntoStringList(list, [&](auto& items) { ListReqFiles(root, items); });
}

std::string ListDependentsOf(const TCustomSysNode& root) {
  std::string list;
  std::unordered_set<std::string> listed;
  ForEachBelow(root, [&](const TSysNode& node) {
    for (const std::string& item : SplitList(node.Info.Dependents)) {
      std::string number = plat::Trim(item);
      if (number.empty() || !listed.insert(number).second) continue;
      if (!list.empty()) list += ',';
      list += number;
    }
  });
  return list;
}

bool WriteInstalledValues(const TCustomSysNode& root, plat::TRegistry& key, TInstalledValues kind) {
  try {
    ForEachBelow(root, [&](const TSysNode& node) {
      const TSubsystemInfo& info = node.Info;
      if (kind == ivWriteInstalled && info.Selected && !key.ValueExists(info.ShortName))
        key.WriteString(info.ShortName, "Installed");
      else if (kind == ivDeleteRemoved && !info.PriorSelected && key.ValueExists(info.ShortName))
        key.DeleteValue(info.ShortName);
    });
  } catch (const std::exception&) {
    // the values written so far stay
  }
  return true;
}

}  // namespace niv
