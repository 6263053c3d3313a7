#pragma once
// Message boxes with the Win32 flag values and button codes. A box is owned by the application's
// window, may be shown from any thread, and is written to the machine's record with its texts,
// flags and the answer.
#include <cstdint>
#include <string_view>

namespace forms {

constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_YESNO = 0x4;
constexpr uint32_t MB_RETRYCANCEL = 0x5;
constexpr uint32_t MB_ICONERROR = 0x10;  // MB_ICONHAND, MB_ICONSTOP
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONWARNING = 0x30;      // MB_ICONEXCLAMATION
constexpr uint32_t MB_ICONINFORMATION = 0x40;  // MB_ICONASTERISK
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;
constexpr uint32_t MB_APPLMODAL = 0x0;
constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
constexpr uint32_t MB_TASKMODAL = 0x2000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows the box and gives the button code of the answer. Texts are in the ANSI code page.
int ShowMessageBox(std::string_view text, std::string_view caption, uint32_t flags);

}  // namespace forms

// Every box shown goes to the machine's record as an event of kind "msgbox" with the fields
// text, caption, flags ("0x" and lower-case hex digits, as 0x2034) and answer (the button code
// in decimal; 0 when the run ended before the box had an answer). The answer comes from the
// current user agent (forms/Agent.h). A box of a program thread (TThread) is shown by the main
// thread, in its message loop, while the thread waits; a box of another thread while no loop runs
// is answered by the agent in that thread.
