#include "app/MessageBoxes.h"

#include <string>

#include "app/RunState.h"

namespace niv {

int LangMessageBox(std::string_view russian, std::string_view english, std::string_view caption,
                   uint32_t flags) {
  LogLine(" " + std::string(english));
  switch (Language) {
    case lgRussian:
      return forms::ShowMessageBox(russian, caption, flags);
    case lgEnglish:
      return forms::ShowMessageBox(english, caption, flags);
  }
  return forms::IDOK;
}

int PlainMessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
  LogLine(" " + std::string(text));
  return forms::ShowMessageBox(text, caption, flags);
}

}  // namespace niv
