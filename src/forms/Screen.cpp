#include <algorithm>

#include "forms/Agent.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/FileCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "forms/internal/Walk.h"
#include "platform/Text.h"

namespace forms {

namespace internal {

void ForEachShown(TForm& form, const std::function<void(TControl&, int)>& visit) {
  std::function<void(TWinControl&, int)> walk = [&](TWinControl& parent, int depth) {
    for (TControl* c : parent.ControlList()) {
      if (!c->Showing()) continue;
      visit(*c, depth);
      if (auto* w = dynamic_cast<TWinControl*>(c)) walk(*w, depth + 1);
    }
  };
  walk(form, 1);
}

std::string ForPeople(const std::string& ansi, bool utf8) {
  std::string text = utf8 ? plat::AnsiToUtf8(ansi) : ansi;
  // One line: line breaks shown as " | ".
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n') {
      out += " | ";
    } else {
      out += text[i];
    }
  }
  return out;
}

namespace {

std::string Quoted(const std::string& ansi, bool utf8) {
  return "\"" + ForPeople(ansi, utf8) + "\"";
}

std::string Flags(const TControl& c) {
  std::string flags;
  if (!c.Enabled()) flags += " (disabled)";
  if (auto* b = dynamic_cast<const TButton*>(&c); b && b->Default) flags += " (default)";
  return flags;
}

std::string TreePicture(TTreeView& tree, TTreeNode* node) {
  int index = -1;
  try {
    index = tree.ShownImageIndex(node);
  } catch (...) {
  }
  return "<" + std::to_string(index) + ">";
}

}  // namespace

std::string DescribeControl(TControl& c, bool utf8) {
  std::string name = c.Name.empty() ? std::string() : " " + c.Name;
  if (auto* b = dynamic_cast<TButton*>(&c)) {
    return "button" + name + " " + "[" + ForPeople(b->Caption(), utf8) + "]" + Flags(c);
  }
  if (auto* l = dynamic_cast<TLabel*>(&c)) {
    return "label" + name + " " + Quoted(l->Caption(), utf8) + Flags(c);
  }
  if (auto* e = dynamic_cast<TEdit*>(&c))
    return "edit" + name + " " + Quoted(e->Text(), utf8) + Flags(c);
  if (auto* m = dynamic_cast<TMemo*>(&c)) {
    std::string text = "memo" + name + Flags(c) + ":";
    for (int i = 0; i < m->Lines.Count() && i < 8; ++i)
      text += "\n    " + ForPeople(m->Lines[i], utf8);
    if (m->Lines.Count() > 8) text += "\n    ... (" + std::to_string(m->Lines.Count()) + " lines)";
    return text;
  }
  if (auto* k = dynamic_cast<TCheckBox*>(&c)) {
    return "check" + name + " " + (k->Checked() ? "[x] " : "[ ] ") + Quoted(k->Caption(), utf8) +
           Flags(c);
  }
  if (auto* r = dynamic_cast<TRadioGroup*>(&c)) {
    std::string text = "radio" + name + " " + Quoted(r->Caption(), utf8) + Flags(c) + ":";
    for (int i = 0; i < r->Items.Count(); ++i) {
      text += std::string("\n    ") + (i == r->ItemIndex() ? "(o) " : "( ) ") +
              ForPeople(r->Items[i], utf8);
    }
    return text;
  }
  if (auto* l = dynamic_cast<TListBox*>(&c)) {
    std::string text = "list" + name + Flags(c) + ":";
    for (int i = 0; i < l->Items.Count(); ++i) {
      text += std::string("\n    ") + (i == l->ItemIndex() ? "> " : "  ") +
              ForPeople(l->Items[i], utf8);
    }
    return text;
  }
  if (auto* t = dynamic_cast<TTreeView*>(&c)) {
    std::string text = "tree" + name + Flags(c) + ":";
    for (TTreeNode* n = t->Items.GetFirstNode(); n; n = n->GetNext()) {
      bool shown = true;
      for (TTreeNode* p = n->Parent(); p; p = p->Parent()) shown = shown && p->Expanded;
      if (!shown) continue;
      text += "\n    " + std::string(2 * n->Level(), ' ') + TreePicture(*t, n) + " " +
              ForPeople(n->Text, utf8) + (n->Selected() ? "  <- current" : "");
    }
    return text;
  }
  if (auto* p = dynamic_cast<TProgressBar*>(&c)) {
    int span = std::max(1, p->Max() - p->Min());
    int filled = (p->Position() - p->Min()) * 20 / span;
    return "progress" + name + " " + "[" + std::string(filled, '#') +
           std::string(20 - filled, '.') + "] " + std::to_string(p->Position()) + " of " +
           std::to_string(p->Min()) + ".." + std::to_string(p->Max());
  }
  if (auto* d = dynamic_cast<TDriveComboBox*>(&c)) {
    return "drives" + name + " " + Quoted(d->Text(), utf8) + Flags(c);
  }
  if (auto* d = dynamic_cast<TDirectoryListBox*>(&c)) {
    std::string text = "folders" + name + " " + Quoted(d->Directory(), utf8) + Flags(c) + ":";
    for (int i = 0; i < d->Items.Count(); ++i) {
      text += std::string("\n    ") + (i == d->ItemIndex() ? "> " : "  ") +
              ForPeople(d->Items[i], utf8);
    }
    return text;
  }
  if (auto* g = dynamic_cast<TGroupBox*>(&c))
    return "group" + name + " " + Quoted(g->Caption(), utf8);
  if (auto* n = dynamic_cast<TNotebook*>(&c)) return "notebook" + name + " page " + n->ActivePage();
  if (auto* i = dynamic_cast<TImage*>(&c)) {
    return "image" + name + " " + std::to_string(i->Picture.Width()) + "x" +
           std::to_string(i->Picture.Height());
  }
  return "";  // panels, pages, bevels: only their contents show
}

}  // namespace internal

std::string DescribeForm(TForm& form, bool utf8) {
  std::string text =
      "form " + form.Name + " " + internal::ForPeople("\"" + form.Caption() + "\"", utf8);
  if (form.Modal()) text += " (modal)";
  if (!form.Enabled()) text += " (disabled)";
  text += "\n";
  internal::ForEachShown(form, [&](TControl& c, int depth) {
    std::string line = internal::DescribeControl(c, utf8);
    if (line.empty()) return;
    std::string indent(2 * depth, ' ');
    size_t pos = 0;
    while ((pos = line.find('\n', pos)) != std::string::npos) line.insert(++pos, indent);
    text += indent + line + "\n";
  });
  return text;
}

std::string Screen::Describe(bool utf8) const {
  std::string text = "on screen:\n";
  if (Box) {
    text += "  message box \"" + internal::ForPeople(Box->Caption, utf8) + "\": \"" +
            internal::ForPeople(Box->Text, utf8) + "\" buttons";
    for (int b : Box->Buttons()) text += " [" + ButtonName(b) + "]";
    text += "\n";
  }
  if (Forms.empty()) text += "  no visible form\n";
  for (TForm* f : Forms) {
    std::string form = DescribeForm(*f, utf8);
    size_t start = 0;
    while (start < form.size()) {
      size_t end = form.find('\n', start);
      if (end == std::string::npos) end = form.size();
      text += "  " + form.substr(start, end - start) + "\n";
      start = end + 1;
    }
  }
  return text;
}

}  // namespace forms
