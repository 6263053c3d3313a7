#include <gtest/gtest.h>

#include "platform/Resources.h"

namespace {

const unsigned char kBytes[] = {'B', 'M', 0, 1};
const plat::ResourceRegistrar kLogo("Bitmap", "LeftLogo", kBytes, sizeof kBytes);

TEST(Resources, FoundByTypeAndNameInAnyCase) {
  auto data = plat::FindResourceData("BITMAP", "leftlogo");
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(*data, std::string_view("BM\0\1", 4));
  EXPECT_FALSE(plat::FindResourceData("S_STRINGTABLE", "LEFTLOGO").has_value());
  EXPECT_FALSE(plat::FindResourceData("BITMAP", "BACKGROUND").has_value());
}

}  // namespace
