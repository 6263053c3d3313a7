#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FilesMachine.h"
#include "platform/Record.h"
#include "platform/Text.h"

namespace {

using namespace plat;

class RecordTest : public niv::testing::FilesMachine {};

TEST_F(RecordTest, EventsReadBackAsWritten) {
  RecordEvent box{"msgbox",
                  {{"text", A("Ошибка:\tфайл\n\"C:\\x\" = плохой\r\\")},
                   {"flags", "16"},
                   {"we=ird\\name", ""},
                   {"ctl", std::string("\x01\x7F\0z", 4)}}};
  AppendRecord(box);
  AppendRecord(RecordEvent{"restart", {}});
  std::vector<RecordEvent> events = ReadRecord(machine_);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, "msgbox");
  EXPECT_EQ(events[0].fields, box.fields);
  EXPECT_EQ(events[0].Field("flags"), "16");
  EXPECT_EQ(events[0].Field("absent"), "");
  EXPECT_EQ(events[1].kind, "restart");
  EXPECT_TRUE(events[1].fields.empty());
  EXPECT_TRUE(ReadRecord(root_ + "/nowhere").empty());
}

TEST_F(RecordTest, ProcessesNeverInterleave) {
  constexpr int kEvents = 300;
  const std::string big(5000, 'x');  // longer than a pipe's atomic write
  pid_t child = fork();
  if (child == 0) {
    for (int i = 0; i < kEvents; ++i)
      AppendRecord({"child", {{"n", std::to_string(i)}, {"b", big}}});
    _exit(0);
  }
  for (int i = 0; i < kEvents; ++i)
    AppendRecord({"parent", {{"n", std::to_string(i)}, {"b", big}}});
  int status = 0;
  waitpid(child, &status, 0);
  std::vector<RecordEvent> events = ReadRecord(machine_);
  ASSERT_EQ(events.size(), 2u * kEvents);
  int next[2] = {0, 0};
  for (const RecordEvent& e : events) {
    ASSERT_TRUE(e.kind == "child" || e.kind == "parent");
    EXPECT_EQ(e.Field("b"), big);
    EXPECT_EQ(std::stoi(e.Field("n")), next[e.kind == "child"]++);
  }
}

TEST(RecordOutsideMachine, DoesNothing) {
  plat::sim::UseMachine("");
  unsetenv("NIVSIM_MACHINE");
  AppendRecord({"msgbox", {}});  // no machine: no file anywhere, no error
}

}  // namespace
