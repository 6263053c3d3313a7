// The console agent: a person at a terminal sees the forms as text and types the number of what
// to press, tick or choose.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "forms/Agent.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/FileCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "forms/internal/Agents.h"
#include "forms/internal/Loop.h"
#include "forms/internal/Walk.h"
#include "platform/Text.h"

namespace forms::internal {

bool StandardInputIsTerminal() {
  return isatty(0) == 1;
}

namespace {

// Lines typed at the terminal, read by a thread of their own so that the loop keeps running
// timers and synchronised calls while the person thinks.
class TerminalLines {
 public:
  TerminalLines() {
    std::thread([this] { ReadAll(); }).detach();
  }
  // The next complete line, if one was typed; eof when the terminal closed.
  std::optional<std::string> Next(bool& eof) {
    std::lock_guard lock(mutex_);
    eof = eof_ && lines_.empty();
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
  }

 private:
  void ReadAll() {
    std::string partial;
    char buffer[256];
    for (;;) {
      ssize_t n = read(0, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t i = 0; i < n; ++i) {
        char c = buffer[i];
        if (c == '\r') continue;
        if (c != '\n') {
          partial += c;
          continue;
        }
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(partial));
        partial.clear();
      }
      Queue().Signal();
    }
    std::lock_guard lock(mutex_);
    eof_ = true;
    Queue().Signal();
  }
  std::mutex mutex_;
  std::deque<std::string> lines_;
  bool eof_ = false;
};

// One numbered choice on screen.
struct Choice {
  std::string text;  // as shown (UTF-8)
  std::function<void()> act;
  bool asksText = false;  // an edit: the next line is its text
  std::function<void(const std::string&)> type;
};

void Out(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

class ConsoleAgent : public UserAgent {
 public:
  std::optional<int> AnswerBox(const MessageBoxInfo& box) override {
    std::vector<int> buttons = box.Buttons();
    if (box.Id != shownBox_) {
      shownBox_ = box.Id;
      std::string text = "\n---- message box";
      if (!box.Caption.empty()) text += ": " + plat::AnsiToUtf8(box.Caption);
      text += "\n" + plat::AnsiToUtf8(box.Text) + "\n";
      for (size_t i = 0; i < buttons.size(); ++i) {
        text += "  " + std::to_string(i + 1) + ") " + ButtonName(buttons[i]);
      }
      text += "\nanswer (number or button name): ";
      Out(text);
    }
    auto line = NextLine();
    if (!line) return std::nullopt;
    std::string answer = plat::Trim(*line);
    int32_t number = 0;
    if (plat::TryStrToInt(answer, number) && number >= 1 &&
        number <= static_cast<int>(buttons.size())) {
      return buttons[number - 1];
    }
    if (int code = ButtonCode(answer)) {
      for (int b : buttons) {
        if (b == code) return code;
      }
    }
    if (answer.empty()) return box.DefaultButton();
    Out("no such button; answer (number or button name): ");
    return std::nullopt;
  }

  bool Act(const Screen& screen) override {
    shownBox_ = 0;
    std::vector<Choice> choices;
    std::string picture = Picture(screen, choices);
    auto now = std::chrono::steady_clock::now();
    bool structureChanged = Structure(choices) != shownStructure_;
    if (structureChanged ||
        (picture != shownPicture_ && now - shownAt_ > std::chrono::seconds(1))) {
      Out("\n" + picture + Prompt(choices, screen));
      shownPicture_ = picture;
      shownStructure_ = Structure(choices);
      shownAt_ = now;
    }
    if (pendingEdit_) {
      auto line = NextLine();
      if (!line) return false;
      auto type = std::move(pendingEdit_);
      pendingEdit_ = nullptr;
      shownStructure_.clear();
      type(plat::Utf8ToAnsi(*line));
      return true;
    }
    auto line = NextLine();
    if (!line) return false;
    shownStructure_.clear();  // show the screen again after any answer
    std::string input = plat::Trim(*line);
    std::vector<TForm*> forms = screen.InputForms();
    if (input.empty()) {
      if (!forms.empty()) forms[0]->PressDefault();
      return true;
    }
    if (input == "q" || input == "esc") {
      if (!forms.empty() && !forms[0]->PressCancel()) forms[0]->Close();
      return true;
    }
    int32_t number = 0;
    if (!plat::TryStrToInt(input, number) || number < 1 ||
        number > static_cast<int>(choices.size())) {
      Out("no such choice: " + input + "\n");
      return true;
    }
    Choice& choice = choices[number - 1];
    if (choice.asksText) {
      Out("new text: ");
      pendingEdit_ = choice.type;
      return true;
    }
    choice.act();
    return true;
  }

  std::string Stuck(const Screen& screen) override {
    return "console: the terminal closed while the program waited for input\n" + screen.Describe();
  }
  bool UsesVirtualClock() const override { return false; }
  uint64_t PatienceMs() const override { return 0; }
  uint64_t PatienceWithThreadsMs() const override { return 0; }

 private:
  std::optional<std::string> NextLine() {
    bool eof = false;
    auto line = lines_.Next(eof);
    if (eof) StopRun(Stuck(Screen{}));
    return line;
  }

  static std::string Structure(const std::vector<Choice>& choices) {
    std::string s;
    for (const Choice& c : choices) s += c.text + "\n";
    return s;
  }

  static std::string Prompt(const std::vector<Choice>& choices, const Screen& screen) {
    if (screen.InputForms().empty()) return "";
    return "choose a number (Enter: the default button, q: cancel): ";
  }

  // The screen with a number before each thing the person can press, tick or choose.
  std::string Picture(const Screen& screen, std::vector<Choice>& choices) {
    std::vector<TForm*> input = screen.InputForms();
    std::string text;
    for (TForm* form : screen.Forms) {
      bool takesInput = std::find(input.begin(), input.end(), form) != input.end();
      text +=
          "==== " + ForPeople(form->Caption(), true) + (takesInput ? "" : "  (inactive)") + "\n";
      ForEachShown(*form, [&](TControl& c, int depth) {
        std::string indent(2 * depth, ' ');
        bool live = takesInput && c.TakesInput();
        auto add = [&](const std::string& shown, std::function<void()> act) {
          if (!live) {
            text += indent + "    " + shown + "\n";
            return;
          }
          choices.push_back(Choice{shown, std::move(act), false, nullptr});
          text += indent + "[" + std::to_string(choices.size()) + "] " + shown + "\n";
        };
        auto focusThen = [&c](std::function<void()> then) {
          return [&c, then] {
            auto* w = dynamic_cast<TWinControl*>(&c);
            if (w && w->CanFocus()) {
              w->SetFocus();
              if (!w->Focused()) return;
            }
            then();
          };
        };
        if (auto* b = dynamic_cast<TButton*>(&c)) {
          add("button " + ForPeople(b->Caption(), true) + (b->Default ? " (Enter)" : ""),
              focusThen([b] { b->Click(); }));
        } else if (auto* e = dynamic_cast<TEdit*>(&c)) {
          add("edit: " + ForPeople(e->Text(), true), nullptr);
          if (live && !e->ReadOnly) {
            choices.back().asksText = true;
            choices.back().type = [e](const std::string& t) {
              if (e->CanFocus()) e->SetFocus();
              if (e->Focused()) e->SetText(t);
            };
          }
        } else if (auto* k = dynamic_cast<TCheckBox*>(&c)) {
          add(std::string(k->Checked() ? "[x] " : "[ ] ") + ForPeople(k->Caption(), true),
              focusThen([k] { k->Click(); }));
        } else if (auto* r = dynamic_cast<TRadioGroup*>(&c)) {
          text += indent + ForPeople(r->Caption(), true) + "\n";
          for (int i = 0; i < r->Items.Count(); ++i) {
            add(std::string(i == r->ItemIndex() ? "(o) " : "( ) ") + ForPeople(r->Items[i], true),
                focusThen([r, i] { r->SetItemIndex(i); }));
          }
        } else if (auto* l = dynamic_cast<TListBox*>(&c)) {
          for (int i = 0; i < l->Items.Count(); ++i) {
            add(std::string(i == l->ItemIndex() ? "> " : "  ") + ForPeople(l->Items[i], true),
                focusThen([l, i] { l->ChooseItem(i); }));
          }
        } else if (auto* t = dynamic_cast<TTreeView*>(&c)) {
          for (TTreeNode* n = t->Items.GetFirstNode(); n; n = n->GetNext()) {
            int x = 0;
            int y = 0;
            if (!t->IconPoint(n, x, y) && !t->LabelPoint(n, x, y)) continue;
            int picture = -1;
            try {
              picture = t->ShownImageIndex(n);
            } catch (...) {
            }
            add(std::string(2 * n->Level(), ' ') + PictureText(picture) + " " +
                    ForPeople(n->Text, true),
                focusThen([t, x, y] { t->MouseDown(mbLeft, ssLeft, x, y); }));
          }
        } else if (auto* d = dynamic_cast<TDriveComboBox*>(&c)) {
          for (int i = 0; i < d->Items.Count(); ++i) {
            char letter = d->Items[i].empty() ? 0 : d->Items[i][0];
            add(std::string(letter == d->Drive() ? "> " : "  ") + ForPeople(d->Items[i], true),
                focusThen([d, letter] { d->SetDrive(letter); }));
          }
        } else if (auto* f = dynamic_cast<TDirectoryListBox*>(&c)) {
          for (int i = 0; i < f->Items.Count(); ++i) {
            add(std::string(i == f->ItemIndex() ? "> " : "  ") + ForPeople(f->Items[i], true),
                focusThen([f, i] { f->OpenItem(i); }));
          }
        } else {
          std::string line = DescribeControl(c, true);
          if (line.empty()) return;
          size_t pos = 0;
          while ((pos = line.find('\n', pos)) != std::string::npos) line.insert(++pos, indent);
          text += indent + line + "\n";
        }
      });
    }
    if (screen.Forms.empty()) text += "(no window is shown)\n";
    return text;
  }

  // The usual pictures of check trees: 0 checked, 1 partly checked, 2 unchecked.
  static std::string PictureText(int index) {
    switch (index) {
      case 0:
        return "[x]";
      case 1:
        return "[+]";
      case 2:
        return "[ ]";
      default:
        return "<" + std::to_string(index) + ">";
    }
  }

  TerminalLines lines_;
  uint64_t shownBox_ = 0;
  std::string shownPicture_;
  std::string shownStructure_;
  std::chrono::steady_clock::time_point shownAt_{};
  std::function<void(const std::string&)> pendingEdit_;
};

}  // namespace

std::unique_ptr<UserAgent> MakeConsoleAgent() {
  return std::make_unique<ConsoleAgent>();
}

}  // namespace forms::internal
