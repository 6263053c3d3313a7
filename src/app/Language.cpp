#include "app/Language.h"

#include "platform/Text.h"

namespace niv {

TLanguage DecideLanguage(const TIDFTextFile& description) {
  try {
    const TIDFSection* section = description.FindSection("Language");
    if (section == nullptr) return lgRussian;
    const TIDFParam* param = section->FindParam("Language");
    if (param == nullptr) return lgRussian;
    return plat::Trim(plat::AsciiUpper(param->AsString())) == "ENGLISH" ? lgEnglish : lgRussian;
  } catch (...) {
    return lgRussian;
  }
}

}  // namespace niv
