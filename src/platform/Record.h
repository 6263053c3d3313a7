#pragma once
// The machine's record of what it "saw": message boxes, restarts, broadcasts, shell opens. One
// event a line, appended by any process of the machine; tests and people read it.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {

struct RecordEvent {
  std::string kind;  // "msgbox", "restart", "broadcast", "shellopen", ...
  std::vector<std::pair<std::string, std::string>> fields;  // texts in the ANSI code page
  std::string Field(std::string_view name) const;           // "" when absent
};

// Appends to the current machine's record; does nothing outside a machine.
void AppendRecord(const RecordEvent& event);
// Everything the machine in hostDir has recorded, oldest first.
std::vector<RecordEvent> ReadRecord(const std::string& machineHostDir);

}  // namespace plat
