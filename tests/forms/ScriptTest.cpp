// The scripted agent on a small form of its own: actions, expectations and the diagnostics of a
// run that does not go as the script says.
#include <gtest/gtest.h>

#include "forms/Application.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/MessageBox.h"
#include "forms/ScriptAgent.h"
#include "forms/StdCtrls.h"
#include "platform/Text.h"

namespace forms {
namespace {

// A form with a name to type, a greeting, a choice, a tree of check pictures and two buttons.
class TfmSample : public TForm {
 public:
  explicit TfmSample(TComponent* owner) : TForm(owner) {
    Name = "fmSample";
    SetCaption(plat::A("Пример"));
    Book = Make<TNotebook>("nbPages");
    TPage* first = Book->AddPage("pgName");
    TPage* second = Book->AddPage("pgTree");
    EditName = Make<TEdit>("EditName", first);
    Greeting = Make<TLabel>("Greeting");
    Kind = Make<TRadioGroup>("Kind", first);
    Kind->Items.Add("Full");
    Kind->Items.Add(plat::A("Выборочная"));
    Kind->SetItemIndex(0);
    Images = Make<TImageList>("ImageList");
    for (int i = 0; i < 3; ++i) Images->Add(TBitmap());
    Tree = Make<TTreeView>("Tree", second);
    Tree->Images = Images;
    TTreeNode* base = Tree->Items.AddChildObject(nullptr, "Base", &checked[0]);
    Tree->Items.AddChildObject(base, "Reports", &checked[1]);
    Tree->OnGetImageIndex = [](TObject*, TTreeNode* node) {
      node->ImageIndex = *static_cast<bool*>(node->Data) ? 0 : 2;
    };
    Tree->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
      if (!(Tree->GetHitTestInfoAt(x, y) & htOnIcon)) return;
      bool& flag = *static_cast<bool*>(Tree->GetNodeAt(x, y)->Data);
      flag = !flag;
    };
    BtnNext = Make<TButton>("BtnNext");
    BtnNext->SetCaption(plat::A("Далее >"));
    BtnNext->Default = true;
    BtnNext->OnClick = [this](TObject*) {
      if (Book->PageIndex() == 0) {
        Greeting->SetCaption("Hello, " + EditName->Text() + "\r\nkind " +
                             Kind->Items[Kind->ItemIndex()]);
        Book->SetActivePage("pgTree");
      } else if (ShowMessageBox(plat::A("Установить?"), "", MB_YESNO) == IDYES) {
        SetModalResult(mrOk);
      }
    };
    BtnCancel = Make<TButton>("BtnCancel");
    BtnCancel->SetCaption(plat::A("Отмена"));
    BtnCancel->ModalResult = mrCancel;
  }
  TNotebook* Book;
  TEdit* EditName;
  TLabel* Greeting;
  TRadioGroup* Kind;
  TImageList* Images;
  TTreeView* Tree;
  TButton* BtnNext;
  TButton* BtnCancel;
  bool checked[2] = {true, true};
};

struct ScriptRun {
  int result = mrNone;
  std::string stop;        // the diagnostic of a stopped run
  std::string unfinished;  // lines never used
};

ScriptRun RunScript(const std::string& script) {
  TApplication app;
  ScriptAgent agent(script, "test.script");
  ScopedAgent scope(agent);
  auto form = MakeForm<TfmSample>();
  ScriptRun run;
  try {
    run.result = form->ShowModal();
  } catch (const EAgentStop& stop) {
    run.stop = stop.what();
  }
  run.unfinished = agent.Unfinished();
  return run;
}

TEST(ScriptAgent, PressesTypesChoosesAndTicksTreePictures) {
  ScriptRun run = RunScript(R"(# a whole walk through the form
expect visible pgName
type EditName "Иван"
choose Kind Выборочная
press "Далее >"
expect text Greeting "Hello, Иван\nkind Выборочная"
expect visible pgTree
expect image Tree Reports 0
tick Tree Reports
expect image Tree Reports 2
click Tree Base
expect image Tree Base 0
tick Tree Base right
expect image Tree Base 2
key enter
expect box "Установить"
answer "Установить" No
press BtnNext
answer * Yes
)");
  EXPECT_EQ(run.stop, "");
  EXPECT_EQ(run.unfinished, "");
  EXPECT_EQ(run.result, mrOk);
}

TEST(ScriptAgent, CancelPressesTheFormsCancelButton) {
  ScriptRun run = RunScript("cancel " + plat::AnsiToUtf8(plat::A("Пример")) + "\n");
  EXPECT_EQ(run.stop, "");
  EXPECT_EQ(run.result, mrCancel);
}

// Each script goes wrong at one line; the diagnostic names the line and shows the screen.
TEST(ScriptAgent, ARunThatGoesWrongEndsWithADiagnosticNamingTheLine) {
  struct Case {
    const char* script;
    const char* lineAndReason;
  } const cases[] = {
      {"type EditName Ann\nexpect text Greeting Ann\n",
       "line 2 (expect text Greeting Ann): expectation failed: Greeting shows \"\""},
      {"press BtnNext\npress BtnFinish\n",
       "line 2 (press BtnFinish): cannot apply: no control \"BtnFinish\""},
      {"press BtnNext\npress BtnNext\nanswer Delete Yes\n",
       "line 3 (answer Delete Yes): cannot apply: the message box on top does not contain"},
      {"press BtnNext\npress BtnNext\nanswer * Retry\n", "the message box has no button Retry"},
      {"choose Kind Nothing\n", "the radio group Kind has no item \"Nothing\""},
      {"press BtnNext\n", "the program waits for input and the script has no line left"},
  };
  for (const Case& c : cases) {
    ScriptRun run = RunScript(c.script);
    EXPECT_NE(run.stop.find(c.lineAndReason), std::string::npos) << c.script << run.stop;
    // What was on screen: the form, its caption in UTF-8, its controls.
    EXPECT_NE(run.stop.find("form fmSample \"Пример\""), std::string::npos) << run.stop;
    EXPECT_NE(run.stop.find("button BtnNext [Далее >] (default)"), std::string::npos) << run.stop;
  }
}

TEST(ScriptAgent, LinesNeverUsedAreReported) {
  ScriptRun run = RunScript("cancel fmSample\npress BtnNext\nanswer * Yes\n");
  EXPECT_EQ(run.result, mrCancel);
  EXPECT_NE(run.unfinished.find("line 2: press BtnNext\n  line 3: answer * Yes"), std::string::npos)
      << run.unfinished;
}

TEST(ScriptAgent, ScriptsThatCannotBeReadNameTheirLine) {
  struct Case {
    const char* script;
    const char* message;
  } const cases[] = {
      {"press BtnNext\njump BtnNext\n", "test.script line 2: unknown action \"jump\""},
      {"\n# note\ntype EditName\n", "test.script line 3: \"type\" takes 2 arguments"},
      {"answer \"Continue Yes\n", "test.script line 1: a quote is not closed"},
      {"answer Continue Maybe\n", "test.script line 1: no button \"Maybe\""},
  };
  for (const Case& c : cases) {
    try {
      ScriptAgent agent(c.script, "test.script");
      ADD_FAILURE() << "accepted: " << c.script;
    } catch (const plat::Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(ScriptAgent, SplitsQuotedWordsWithEscapes) {
  EXPECT_EQ(SplitScriptLine(R"(answer "say \"hi\"\n" "a\\b"  OK)"),
            (std::vector<std::string>{"answer", "say \"hi\"\n", "a\\b", "OK"}));
  EXPECT_EQ(SplitScriptLine(R"(type EditSelDir "C:\Program Files\NIV" C:\NIV)"),
            (std::vector<std::string>{"type", "EditSelDir", "C:\\Program Files\\NIV", "C:\\NIV"}));
}

}  // namespace
}  // namespace forms
