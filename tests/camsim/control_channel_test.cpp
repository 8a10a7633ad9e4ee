// Control command lines on a simulator without devices: every answer is one line.
#include <gtest/gtest.h>

#include <string>

#include "tools/camsim/control_channel.h"
#include "tools/camsim/simulator.h"

namespace {

camsim::SimulatorOptions Offline() {
  camsim::SimulatorOptions options;
  options.mdns = false;
  options.addressPool = {"127.0.0.1"};
  return options;
}

TEST(ControlChannelTest, AnswersStayOneLineWhenTextsHoldLineBreaks) {
  camsim::Simulator simulator(Offline());
  camsim::ControlChannel channel(simulator);
  const std::string lines[] = {
      R"(txt gate {"line\nbreak": 5})",
      R"(fault gate {"a\r\nb": true})",
      R"(fault gate {"path_filter": "x", "refuse\n": true})",
  };
  for (const std::string& line : lines) {
    const std::string answer = channel.Execute(line);
    EXPECT_EQ(answer.rfind("error ", 0), 0u) << answer;
    EXPECT_EQ(answer.find_first_of("\r\n"), std::string::npos) << answer;
  }
  EXPECT_NE(channel.Execute(R"(txt gate {"line\nbreak": 5})").find("line break"), std::string::npos);
  EXPECT_EQ(channel.Execute("list"), "ok []");
}

}  // namespace
