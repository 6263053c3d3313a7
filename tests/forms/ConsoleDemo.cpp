// A small program for the agent tests: with the argument "box" it first asks a question, then
// shows a form with a counter that its button raises, until the form is closed.
#include <cstdio>
#include <string>

#include "forms/Application.h"
#include "forms/Forms.h"
#include "forms/MessageBox.h"
#include "forms/StdCtrls.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
  using namespace forms;
  if (argc > 1 && std::string(argv[1]) == "box") {
    int answer = ShowMessageBox(plat::A("Начать?"), "Demo", MB_OKCANCEL);
    std::printf("answer %d\n", answer);
  }
  auto form = MakeForm<TForm>();
  form->Name = "fmDemo";
  form->SetCaption(plat::A("Демо"));
  TLabel* count = form->Make<TLabel>("Count");
  count->SetCaption(plat::A("нажато 0"));
  int presses = 0;
  TButton* more = form->Make<TButton>("BtnMore");
  more->SetCaption(plat::A("Ещё"));
  more->OnClick = [&](TObject*) {
    count->SetCaption(plat::A("нажато ") + std::to_string(++presses));
  };
  TButton* done = form->Make<TButton>("BtnDone");
  done->SetCaption("Done");
  done->ModalResult = mrOk;
  int result = form->ShowModal();
  std::printf("result %d after %d presses\n", result, presses);
  return 0;
}
