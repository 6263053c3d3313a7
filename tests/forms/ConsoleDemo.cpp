// A small program for the agent tests: with the argument "box" it first asks a question, then
// shows a form with a counter that its button raises, until the form is closed. With "parent" it
// also runs itself as a child ("child"), which asks a question of its own, as the uninstaller
// runs the setup program.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "forms/Application.h"
#include "forms/Forms.h"
#include "forms/MessageBox.h"
#include "forms/StdCtrls.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
  using namespace forms;
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "child") {
    std::printf("child answer %d\n", ShowMessageBox("Child?", "", MB_YESNO));
    return 0;
  }
  if (mode == "box" || mode == "parent") {
    int answer = ShowMessageBox(plat::A("Начать?"), "Demo", MB_OKCANCEL);
    std::printf("answer %d\n", answer);
    std::fflush(stdout);
  }
  if (mode == "parent") {
    int status = std::system((std::string(argv[0]) + " child").c_str());
    std::printf("child exit %d\n", WEXITSTATUS(status));
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
