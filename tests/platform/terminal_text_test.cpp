// Text from the network on a terminal: every control character shown, never obeyed, and
// nothing else changed; and the terminal told apart from a pipe.
#include "platform/terminal_text.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

using ravix::TerminalSafe;

TEST(TerminalText, ControlCharactersAreShownAndEverythingElseStays) {
  EXPECT_EQ(TerminalSafe("a\x1b]0;title\x07" "b\r\nc\x7f"), "a\\x1b]0;title\\x07b\\x0d\\x0ac\\x7f");
  EXPECT_EQ(TerminalSafe(std::string("nul\0end", 7)), "nul\\x00end");
  // C1 controls as UTF-8 (CSI U+009B, NEL U+0085) and as lone bytes.
  EXPECT_EQ(TerminalSafe("x\xc2\x9b" "31m\xc2\x85y"), "x\\x9b31m\\x85y");
  EXPECT_EQ(TerminalSafe("x\x9b" "31m\x85"), "x\\x9b31m\\x85");
  // Bytes that are no UTF-8: overlong, surrogate, cut short, beyond U+10FFFF.
  EXPECT_EQ(TerminalSafe("\xc0\x9b\xed\xa0\x80\xe2\x82"), "\\xc0\\x9b\\xed\\xa0\\x80\\xe2\\x82");
  EXPECT_EQ(TerminalSafe("\xf4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");
  // Printable text of any script stays as it is: U+00A0 and above, up to four bytes.
  const std::string printable = " !~caf\xc3\xa9 \xc2\xa0\xe2\x82\xac \xf0\x9f\x93\xb7 \\x41";
  EXPECT_EQ(TerminalSafe(printable), printable);
}

TEST(TerminalText, TerminalIsToldApartFromAPipeAndAFile) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::FILE* pipeEnd = fdopen(fds[1], "w");
  ASSERT_NE(pipeEnd, nullptr);
  EXPECT_FALSE(ravix::IsTerminal(pipeEnd));
  std::fclose(pipeEnd);
  close(fds[0]);

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(ravix::IsTerminal(file));
  std::fclose(file);

  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  std::FILE* terminal = fdopen(slave, "w");
  ASSERT_NE(terminal, nullptr);
  EXPECT_TRUE(ravix::IsTerminal(terminal));
  std::fclose(terminal);
  close(master);
  EXPECT_FALSE(ravix::IsTerminal(nullptr));
}

}  // namespace
