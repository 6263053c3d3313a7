#include "description/IDFTextFile.h"
#include "platform/Text.h"

namespace niv {

int32_t TIDFParam::AsInteger() const {
  return plat::StrToInt(value_);
}

void TIDFParam::SetAsInteger(int64_t value) {
  value_ = std::to_string(value);
}

}  // namespace niv
