#include "forms/ScriptAgent.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/FileCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "forms/internal/Agents.h"
#include "forms/internal/Walk.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace forms {

std::vector<std::string> SplitScriptLine(std::string_view line) {
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    std::string token;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        // Escapes: \" \\ \n; any other backslash is itself (paths stay readable).
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\' || line[i] == 'n')) {
          char e = line[i++];
          token += e == 'n' ? '\n' : e;
        } else {
          token += c;
        }
      }
      if (!closed) throw plat::Exception("a quote is not closed");
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') token += line[i++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

namespace {

struct VerbShape {
  const char* verb;
  size_t minArgs;
  size_t maxArgs;
};
const VerbShape kVerbs[] = {
    {"press", 1, 1},  {"type", 2, 2},  {"choose", 2, 2},  {"tick", 2, 3},
    {"click", 2, 2},  {"check", 1, 1}, {"uncheck", 1, 1}, {"answer", 2, 2},
    {"cancel", 1, 1}, {"close", 1, 1}, {"key", 1, 1},     {"expect", 2, 4},
};

// Line breaks of any kind become "\n", so that a pattern's \n matches CR LF too.
std::string Normal(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool Contains(std::string_view text, std::string_view pattern) {
  return pattern == "*" || Normal(text).find(Normal(pattern)) != std::string::npos;
}

// A caption compares without its accelerator marks and surrounding blanks, case ignored.
bool SameCaption(std::string_view caption, std::string_view wanted) {
  std::string plain;
  for (char c : caption) {
    if (c != '&') plain += c;
  }
  return plat::AnsiSameText(plat::Trim(plain), plat::Trim(wanted));
}

std::string People(const std::string& ansi) {
  return plat::AnsiToUtf8(ansi);
}

TForm* FindForm(const std::vector<TForm*>& forms, std::string_view name) {
  for (TForm* f : forms) {
    if (plat::AsciiSameText(f->Name, name)) return f;
  }
  for (TForm* f : forms) {
    if (SameCaption(f->Caption(), name)) return f;
  }
  return nullptr;
}

// A control shown on one of the forms, by name first, then by caption.
TControl* FindControl(const std::vector<TForm*>& forms, std::string_view name) {
  TControl* byCaption = nullptr;
  for (TForm* f : forms) {
    TControl* byName = nullptr;
    internal::ForEachShown(*f, [&](TControl& c, int) {
      if (!byName && plat::AsciiSameText(c.Name, name)) byName = &c;
      if (!byCaption && !c.Caption().empty() && SameCaption(c.Caption(), name)) byCaption = &c;
    });
    if (byName) return byName;
  }
  return byCaption;
}

// The text a control shows, as an expectation reads it.
std::string ShownText(TControl& c) {
  if (auto* r = dynamic_cast<TRadioGroup*>(&c)) {
    return r->ItemIndex() >= 0 ? r->Items[r->ItemIndex()] : std::string();
  }
  if (auto* l = dynamic_cast<TListBox*>(&c)) {
    return l->ItemIndex() >= 0 ? l->Items[l->ItemIndex()] : std::string();
  }
  if (auto* p = dynamic_cast<TProgressBar*>(&c)) return std::to_string(p->Position());
  if (auto* d = dynamic_cast<TDirectoryListBox*>(&c)) return d->Directory();
  if (auto* n = dynamic_cast<TNotebook*>(&c)) return n->ActivePage();
  return c.Text();
}

TTreeNode* FindItem(TTreeView& tree, std::string_view item) {
  if (item.size() > 1 && item[0] == '#') {
    int32_t index = 0;
    if (plat::TryStrToInt(item.substr(1), index)) return tree.Items.Item(index);
  }
  for (TTreeNode* n = tree.Items.GetFirstNode(); n; n = n->GetNext()) {
    if (SameCaption(n->Text, item)) return n;
  }
  return nullptr;
}

int FindListItem(const TStringList& items, std::string_view item) {
  if (item.size() > 1 && item[0] == '#') {
    int32_t index = 0;
    if (plat::TryStrToInt(item.substr(1), index) && index >= 0 && index < items.Count()) {
      return index;
    }
  }
  for (int i = 0; i < items.Count(); ++i) {
    if (SameCaption(items[i], item)) return i;
  }
  return -1;
}

// Moves the focus to a control as a press does; false when the focus did not stay there (an exit
// handler took it back).
bool Focus(TControl& c) {
  auto* w = dynamic_cast<TWinControl*>(&c);
  if (!w || !w->CanFocus()) return true;
  w->SetFocus();
  return w->Focused();
}

bool NodeShown(const TTreeNode* n) {
  for (const TTreeNode* p = n->Parent(); p; p = p->Parent()) {
    if (!p->Expanded) return false;
  }
  return true;
}

}  // namespace

ScriptAgent::ScriptAgent(std::string_view script, std::string name) : name_(std::move(name)) {
  int number = 0;
  for (const std::string& raw : SplitLines(script)) {
    ++number;
    std::string text = raw;
    if (number == 1 && text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a UTF-8 mark
    std::string trimmed = plat::Trim(text);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    Line line;
    line.number = number;
    line.source = trimmed;
    std::vector<std::string> tokens;
    try {
      tokens = SplitScriptLine(trimmed);
    } catch (const plat::Exception& e) {
      throw plat::Exception(name_ + " line " + std::to_string(number) + ": " + e.Message());
    }
    line.verb = plat::AsciiUpper(tokens[0]);
    for (auto& c : line.verb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = 1; i < tokens.size(); ++i) line.args.push_back(plat::Utf8ToAnsi(tokens[i]));
    const VerbShape* shape = nullptr;
    for (const VerbShape& v : kVerbs) {
      if (line.verb == v.verb) shape = &v;
    }
    if (!shape) {
      throw plat::Exception(name_ + " line " + std::to_string(number) + ": unknown action \"" +
                            tokens[0] + "\"");
    }
    if (line.args.size() < shape->minArgs || line.args.size() > shape->maxArgs) {
      throw plat::Exception(name_ + " line " + std::to_string(number) + ": \"" + line.verb +
                            "\" takes " + std::to_string(shape->minArgs) +
                            (shape->maxArgs > shape->minArgs
                                 ? " to " + std::to_string(shape->maxArgs)
                                 : std::string()) +
                            " arguments");
    }
    if (line.verb == "answer" && ButtonCode(line.args[1]) == 0) {
      throw plat::Exception(name_ + " line " + std::to_string(number) + ": no button \"" +
                            tokens[2] + "\"");
    }
    lines_.push_back(std::move(line));
  }
  if (const char* p = std::getenv("NIVSIM_AGENT_PATIENCE")) {
    int32_t seconds = 0;
    if (plat::TryStrToInt(p, seconds) && seconds > 0) {
      patienceWithThreadsMs_ = static_cast<uint64_t>(seconds) * 1000;
    }
  }
}

std::unique_ptr<ScriptAgent> ScriptAgent::FromFile(std::string_view hostPath) {
  std::ifstream in{std::string(hostPath), std::ios::binary};
  if (!in) throw plat::Exception("cannot read the script " + std::string(hostPath));
  std::stringstream text;
  text << in.rdbuf();
  return std::make_unique<ScriptAgent>(text.str(), std::string(hostPath));
}

size_t ScriptAgent::LinesUsed() const {
  std::lock_guard lock(mutex_);
  return next_;
}

std::string ScriptAgent::Where(const Line& line) const {
  return name_ + " line " + std::to_string(line.number) + " (" + line.source + ")";
}

void ScriptAgent::ShareCursor(std::string file, bool owner) {
  std::lock_guard lock(mutex_);
  cursorFile_ = std::move(file);
  ownsCursor_ = owner;
  LoadCursor();
}

void ScriptAgent::LoadCursor() {
  if (cursorFile_.empty()) return;
  std::ifstream in(cursorFile_);
  size_t at = 0;
  if (in >> at && at > next_ && at <= lines_.size()) next_ = at;
}

void ScriptAgent::SaveCursor() {
  if (cursorFile_.empty()) return;
  std::ofstream(cursorFile_, std::ios::trunc) << next_ << "\n";
}

std::optional<int> ScriptAgent::AnswerBox(const MessageBoxInfo& box) {
  std::lock_guard lock(mutex_);
  LoadCursor();
  if (boxIds_.insert(box.Id).second) boxesSeen_.push_back(box);
  while (next_ < lines_.size()) {
    const Line& line = lines_[next_];
    if (line.verb == "expect" && plat::AsciiSameText(line.args[0], "box")) {
      std::string why;
      if (Expect(line, Screen{}, why) == Outcome::Done) {
        ++next_;
        SaveCursor();
        continue;
      }
      lastWhy_ = why;
      return std::nullopt;
    }
    if (line.verb != "answer") {
      lastWhy_ = "a message box is on top, the line does not answer it";
      return std::nullopt;
    }
    if (!Contains(box.Text, line.args[0])) {
      lastWhy_ = "the message box on top does not contain \"" + People(line.args[0]) + "\"";
      return std::nullopt;
    }
    int code = ButtonCode(line.args[1]);
    std::vector<int> buttons = box.Buttons();
    if (std::find(buttons.begin(), buttons.end(), code) == buttons.end()) {
      lastWhy_ = "the message box has no button " + line.args[1];
      return std::nullopt;
    }
    ++next_;
    SaveCursor();
    lastWhy_.clear();
    return code;
  }
  lastWhy_ = "the script has no line left";
  return std::nullopt;
}

bool ScriptAgent::Act(const Screen& screen) {
  std::unique_lock lock(mutex_);
  LoadCursor();
  if (next_ >= lines_.size()) {
    lastWhy_ = "the script has no line left";
    return false;
  }
  const Line line = lines_[next_];
  if (line.verb == "answer") {
    lastWhy_ = "no message box is shown";
    return false;
  }
  std::string why;
  if (line.verb == "expect") {
    // Expectations only read the screen and the boxes seen; they stay under the lock.
    if (Expect(line, screen, why) == Outcome::NotYet) {
      lastWhy_ = why;
      return false;
    }
    ++next_;
    SaveCursor();
    lastWhy_.clear();
    return true;
  }
  // Handlers run by the action may show boxes of their own, which come back to this agent; a
  // child process started by it goes on from the next line. An exception of a handler leaves
  // the line used: the action happened.
  ++next_;
  SaveCursor();
  lock.unlock();
  Outcome outcome = Apply(line, screen, why);
  lock.lock();
  LoadCursor();
  if (outcome == Outcome::Done) {
    lastWhy_.clear();
    return true;
  }
  --next_;  // nothing ran: no box and no child process moved on
  SaveCursor();
  lastWhy_ = why;
  return false;
}

ScriptAgent::Outcome ScriptAgent::Apply(const Line& line, const Screen& screen, std::string& why) {
  std::vector<TForm*> forms = screen.InputForms();
  const std::string& verb = line.verb;
  if (verb == "cancel" || verb == "close") {
    TForm* form = FindForm(forms, line.args[0]);
    if (!form) {
      why = "no form \"" + People(line.args[0]) + "\" takes input";
      return Outcome::NotYet;
    }
    if (verb == "close") {
      form->Close();
      return Outcome::Done;
    }
    TControl* cancel = nullptr;
    internal::ForEachShown(*form, [&](TControl& c, int) {
      auto* b = dynamic_cast<TButton*>(&c);
      if (!cancel && b && b->TakesInput() &&
          (b->Cancel || plat::AsciiSameText(b->Name, "BtnCancel") ||
           SameCaption(b->Caption(), "Cancel") || SameCaption(b->Caption(), plat::A("Отмена")))) {
        cancel = b;
      }
    });
    if (cancel) {
      if (Focus(*cancel)) cancel->Click();
    } else {
      form->Close();
    }
    return Outcome::Done;
  }
  if (verb == "key") {
    if (forms.empty()) {
      why = "no form takes input";
      return Outcome::NotYet;
    }
    std::string key = plat::AsciiUpper(line.args[0]);
    bool pressed = key == "ENTER"    ? forms[0]->PressDefault()
                   : key == "ESCAPE" ? forms[0]->PressCancel()
                                     : false;
    if (!pressed) {
      why = "the key has no button to press on " + forms[0]->Name;
      return Outcome::NotYet;
    }
    return Outcome::Done;
  }
  TControl* control = FindControl(forms, line.args[0]);
  if (!control) {
    why = "no control \"" + People(line.args[0]) + "\" is shown on a form that takes input";
    return Outcome::NotYet;
  }
  if (!control->TakesInput()) {
    why = "the control " + control->Name + " is disabled";
    return Outcome::NotYet;
  }
  if (verb == "press") {
    if (Focus(*control)) control->Click();
    return Outcome::Done;
  }
  if (verb == "type") {
    if (auto* e = dynamic_cast<TEdit*>(control)) {
      if (e->ReadOnly) {
        why = "the edit " + e->Name + " is read-only";
        return Outcome::NotYet;
      }
      if (Focus(*e)) e->SetText(line.args[1]);
      return Outcome::Done;
    }
    if (auto* m = dynamic_cast<TMemo*>(control); m && !m->ReadOnly) {
      if (Focus(*m)) m->SetText(line.args[1]);
      return Outcome::Done;
    }
    why = "the control " + control->Name + " takes no typing";
    return Outcome::NotYet;
  }
  if (verb == "check" || verb == "uncheck") {
    auto* box = dynamic_cast<TCheckBox*>(control);
    if (!box) {
      why = "the control " + control->Name + " is no check box";
      return Outcome::NotYet;
    }
    if (Focus(*box) && box->Checked() != (verb == "check")) box->Click();
    return Outcome::Done;
  }
  if (verb == "choose") {
    const std::string& item = line.args[1];
    if (auto* r = dynamic_cast<TRadioGroup*>(control)) {
      int index = FindListItem(r->Items, item);
      if (index < 0) {
        why = "the radio group " + r->Name + " has no item \"" + People(item) + "\"";
        return Outcome::NotYet;
      }
      if (Focus(*r)) r->SetItemIndex(index);
      return Outcome::Done;
    }
    if (auto* l = dynamic_cast<TListBox*>(control)) {
      int index = FindListItem(l->Items, item);
      if (index < 0) {
        why = "the list " + l->Name + " has no item \"" + People(item) + "\"";
        return Outcome::NotYet;
      }
      if (Focus(*l)) l->ChooseItem(index);
      return Outcome::Done;
    }
    if (auto* d = dynamic_cast<TDriveComboBox*>(control)) {
      if (Focus(*d)) d->SetDrive(item.empty() ? 0 : item[0]);
      return Outcome::Done;
    }
    if (auto* d = dynamic_cast<TDirectoryListBox*>(control)) {
      int index = FindListItem(d->Items, item);
      if (Focus(*d)) {
        if (index >= 0) {
          d->OpenItem(index);
        } else {
          d->SetDirectory(item);
        }
      }
      return Outcome::Done;
    }
    why = "the control " + control->Name + " has no items to choose";
    return Outcome::NotYet;
  }
  if (verb == "tick" || verb == "click") {
    auto* tree = dynamic_cast<TTreeView*>(control);
    if (!tree) {
      why = "the control " + control->Name + " is no tree view";
      return Outcome::NotYet;
    }
    TTreeNode* node = FindItem(*tree, line.args[1]);
    int x = 0;
    int y = 0;
    bool placed =
        node && (verb == "tick" ? tree->IconPoint(node, x, y) : tree->LabelPoint(node, x, y));
    if (!placed) {
      why = "the tree " + tree->Name + " shows no item \"" + People(line.args[1]) + "\"" +
            (node && verb == "tick" ? " with a picture" : "");
      return Outcome::NotYet;
    }
    TMouseButton button = mbLeft;
    if (line.args.size() > 2) {
      if (plat::AsciiSameText(line.args[2], "right")) {
        button = mbRight;
      } else if (!plat::AsciiSameText(line.args[2], "left")) {
        why = "the button must be left or right";
        return Outcome::NotYet;
      }
    }
    if (Focus(*tree)) tree->MouseDown(button, button == mbLeft ? ssLeft : ssRight, x, y);
    return Outcome::Done;
  }
  why = "unknown action";
  return Outcome::NotYet;
}

ScriptAgent::Outcome ScriptAgent::Expect(const Line& line, const Screen& screen, std::string& why) {
  std::string what = plat::AsciiUpper(line.args[0]);
  const std::vector<std::string>& a = line.args;
  auto need = [&](size_t n) {
    if (a.size() != n) throw plat::Exception(Where(line) + ": wrong number of arguments");
  };
  if (what == "BOX") {
    need(2);
    for (const MessageBoxInfo& b : boxesSeen_) {
      if (Contains(b.Text, a[1])) return Outcome::Done;
    }
    why = "no message box with \"" + People(a[1]) + "\" has been shown";
    return Outcome::NotYet;
  }
  if (what == "VISIBLE" || what == "HIDDEN") {
    need(2);
    bool shown = FindForm(screen.Forms, a[1]) != nullptr;
    if (!shown) {
      for (TForm* f : screen.Forms) {
        internal::ForEachShown(*f, [&](TControl& c, int) {
          if (auto* n = dynamic_cast<TNotebook*>(&c)) {
            if (plat::AsciiSameText(n->ActivePage(), a[1])) shown = true;
          }
        });
      }
    }
    if (!shown) shown = FindControl(screen.Forms, a[1]) != nullptr;
    if (shown == (what == "VISIBLE")) return Outcome::Done;
    why = "\"" + People(a[1]) + "\" is " + (shown ? "shown" : "not shown");
    return Outcome::NotYet;
  }
  TControl* control = FindControl(screen.Forms, a[1]);
  if (!control) {
    why = "no control \"" + People(a[1]) + "\" is shown";
    return Outcome::NotYet;
  }
  if (what == "TEXT") {
    need(3);
    std::string shown = ShownText(*control);
    if (Contains(shown, a[2])) return Outcome::Done;
    why = control->Name + " shows \"" + internal::ForPeople(shown, true) + "\"";
    return Outcome::NotYet;
  }
  if (what == "ENABLED" || what == "DISABLED") {
    need(2);
    if (control->TakesInput() == (what == "ENABLED")) return Outcome::Done;
    why = control->Name + (control->TakesInput() ? " is enabled" : " is disabled");
    return Outcome::NotYet;
  }
  if (what == "CHECKED" || what == "UNCHECKED") {
    need(2);
    auto* box = dynamic_cast<TCheckBox*>(control);
    if (box && box->Checked() == (what == "CHECKED")) return Outcome::Done;
    why = control->Name +
          (box ? (box->Checked() ? " is checked" : " is not checked") : " is no check box");
    return Outcome::NotYet;
  }
  if (what == "IMAGE") {
    need(4);
    auto* tree = dynamic_cast<TTreeView*>(control);
    TTreeNode* node = tree ? FindItem(*tree, a[2]) : nullptr;
    if (!node || !NodeShown(node)) {
      why = control->Name + " shows no item \"" + People(a[2]) + "\"";
      return Outcome::NotYet;
    }
    int shown = tree->ShownImageIndex(node);
    int32_t wanted = -2;
    plat::TryStrToInt(a[3], wanted);
    if (shown == wanted) return Outcome::Done;
    why = "the item shows picture " + std::to_string(shown);
    return Outcome::NotYet;
  }
  throw plat::Exception(Where(line) + ": unknown expectation \"" + a[0] + "\"");
}

std::string ScriptAgent::Stuck(const Screen& screen) {
  std::lock_guard lock(mutex_);
  LoadCursor();
  std::string head;
  if (next_ < lines_.size()) {
    const Line& line = lines_[next_];
    head = "script " + Where(line) + ": " +
           (line.verb == "expect" ? "expectation failed: " : "cannot apply: ") + lastWhy_;
  } else {
    head = "script " + name_ + ": the program waits for input and the script has no line left";
  }
  return head + "\n" + screen.Describe();
}

std::string ScriptAgent::Unfinished() {
  std::lock_guard lock(mutex_);
  LoadCursor();
  if (!ownsCursor_ || next_ >= lines_.size()) return {};  // a child leaves the rest to its parent
  std::string text = "script " + name_ + ": the run ended before these lines were used:";
  for (size_t i = next_; i < lines_.size(); ++i) {
    text += "\n  line " + std::to_string(lines_[i].number) + ": " + lines_[i].source;
  }
  return text;
}

namespace internal {

std::unique_ptr<UserAgent> MakeScriptAgentFromFile(std::string_view hostPath) {
  std::unique_ptr<ScriptAgent> agent = ScriptAgent::FromFile(hostPath);
  bool owner = true;
  std::string cursor = ScriptCursorFile(owner);
  agent->ShareCursor(std::move(cursor), owner);
  return agent;
}

}  // namespace internal

}  // namespace forms
