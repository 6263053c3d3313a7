// The buffered stream's seek rules, put back, flushing, and its message table.
#include <gtest/gtest.h>

#include "archive/BufferStream.h"
#include "archive/StringResource.h"
#include "platform/Exceptions.h"

namespace niv::test {
namespace {

TEST(BufferStream, SeekFromTheEndCountsBackwardsWhateverTheSign) {
  plat::TMemoryStream under(std::string(100, 'x'));
  TS_BufferStream s(&under);
  EXPECT_EQ(s.Seek(-4, plat::soEnd), 96);
  EXPECT_EQ(s.Seek(4, plat::soEnd), 96);
  EXPECT_EQ(s.Seek(10, plat::soBeginning), 10);
  EXPECT_EQ(s.Seek(5, plat::soCurrent), 15);
  EXPECT_EQ(s.Size(), 100);
}

TEST(BufferStream, SeekKeepsTheLogicalPositionAcrossTheBuffer) {
  std::string data;
  for (int i = 0; i < 20000; ++i) data += static_cast<char>(i % 251);
  plat::TMemoryStream under(data);
  TS_BufferStream s(&under);
  char c[3];
  ASSERT_EQ(s.Read(c, 3), 3);
  EXPECT_EQ(s.Position(), 3);  // the underlying stream is a whole block ahead
  EXPECT_EQ(s.Seek(0, plat::soCurrent), 3);
  s.Seek(9000, plat::soBeginning);
  ASSERT_EQ(s.Read(c, 1), 1);
  EXPECT_EQ(c[0], data[9000]);
  std::string all(30000, '\0');
  s.SetPosition(0);
  EXPECT_EQ(s.Read(all.data(), 30000), 20000);
  all.resize(20000);
  EXPECT_EQ(all, data);
}

TEST(BufferStream, WritesAreFlushedOnSeekAndWhenFreed) {
  plat::TMemoryStream under;
  {
    TS_BufferStream s(&under);
    std::string block(10000, 'a');
    EXPECT_EQ(s.Write(block.data(), 10000), 10000);
    EXPECT_EQ(under.Size(), 8192);  // one full buffer went out
    EXPECT_EQ(s.Size(), 10000);     // the logical position counts
    EXPECT_EQ(s.Seek(4, plat::soEnd), 9996);
    EXPECT_EQ(under.Size(), 10000);
    s.Write("bcde", 4);
  }
  EXPECT_EQ(under.Data(), std::string(9996, 'a') + "bcde");
}

TEST(BufferStream, ErrorsTakeTheirTextsFromTheMessageTable) {
  plat::TMemoryStream under(std::string("abc"));
  TS_BufferStream s(&under);
  try {
    s.Seek(0, 3);
    FAIL();
  } catch (const plat::Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid seek origin (3)");
  }
  try {
    s.PutBack('z');
    FAIL();
  } catch (const plat::EStreamError& e) {
    EXPECT_EQ(e.Message(), "Putback overflow");
  }
  char c[2];
  s.Read(c, 2);
  s.PutBack('z');
  ASSERT_EQ(s.Read(c, 2), 2);
  EXPECT_EQ(std::string(c, 2), "zc");
}

TEST(StringResource, FindsMessagesByTableAndNumber) {
  EXPECT_EQ(TS_StringResource::Load("S_STREAM", 1), "Seek error");
  EXPECT_EQ(TS_StringResource::Load("s_stream", 7), "Cannot write to a resource stream");
  EXPECT_EQ(TS_StringResource::Load("S_STREAM", 8), "");
  EXPECT_THROW(TS_StringResource::Load("S_NOSUCH", 1), plat::Exception);
}

}  // namespace
}  // namespace niv::test
