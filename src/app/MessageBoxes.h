#pragma once
// The message boxes of every part of the program. Both log their text first (the English one of
// a pair), then show the box owned by the application's window.
#include <cstdint>
#include <string_view>

#include "forms/MessageBox.h"

namespace niv {

// Shows the text of the run's Language; with a Language outside the two, shows nothing and
// returns IDOK.
int LangMessageBox(std::string_view russian, std::string_view english, std::string_view caption,
                   uint32_t flags);
// For the places where only one text exists.
int PlainMessageBox(std::string_view text, std::string_view caption, uint32_t flags);

constexpr uint32_t kErrorBoxFlags = forms::MB_TASKMODAL | forms::MB_ICONERROR;

}  // namespace niv
