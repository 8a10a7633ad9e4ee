#include "platform/debug_trace.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::size_t Format(char* buf, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::size_t len = ravix::FormatTraceLine(buf, format, args);
  va_end(args);
  return len;
}

// Captures what DebugTrace writes to standard error.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = dup(STDERR_FILENO);
    dup2(fileno(file_), STDERR_FILENO);
  }
  ~StderrCapture() {
    Restore();
    std::fclose(file_);
  }
  std::string Text() {
    Restore();
    std::string text;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

class DebugTraceTest : public ::testing::Test {
 protected:
  void TearDown() override { ravix::SetTraceEnabled(false); }
};

TEST(FormatTraceLine, AppendsLineFeedOnlyWhenMissing) {
  char buf[ravix::kTraceBufferSize];
  EXPECT_EQ(Format(buf, "camera %d", 7), 9u);
  EXPECT_STREQ(buf, "camera 7\n");
  EXPECT_EQ(Format(buf, "done\n"), 5u);
  EXPECT_STREQ(buf, "done\n");
  EXPECT_EQ(Format(buf, "%s", ""), 1u);  // an empty result becomes one line feed
  EXPECT_STREQ(buf, "\n");
}

TEST(FormatTraceLine, NarrowStringDirectiveIsAccepted) {
  char buf[ravix::kTraceBufferSize];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
  Format(buf, "Using %hs = %i, %-6hs| 100%%hs", "View", 3, "ab");
#pragma GCC diagnostic pop
  EXPECT_STREQ(buf, "Using View = 3, ab    | 100%hs\n");
}

TEST(FormatTraceLine, KeepsAtMost4094CharactersAndNoLineFeedWhenTruncated) {
  char buf[ravix::kTraceBufferSize];
  const std::string exact(4094, 'x');
  EXPECT_EQ(Format(buf, "%s", exact.c_str()), 4095u);  // fits: line feed appended
  EXPECT_EQ(buf[4093], 'x');
  EXPECT_EQ(buf[4094], '\n');
  EXPECT_EQ(buf[4095], '\0');

  const std::string longer(5000, 'y');
  EXPECT_EQ(Format(buf, "%s", longer.c_str()), 4094u);  // truncated: no line feed
  EXPECT_EQ(buf[4093], 'y');
  EXPECT_EQ(buf[4094], '\0');

  const std::string oneOver(4095, 'z');
  EXPECT_EQ(Format(buf, "%s", oneOver.c_str()), 4094u);
  EXPECT_EQ(buf[4093], 'z');

  const std::string endsWithFeed = std::string(4093, 'w') + "\n";
  EXPECT_EQ(Format(buf, "%s", endsWithFeed.c_str()), 4094u);
  EXPECT_EQ(buf[4093], '\n');
  EXPECT_EQ(buf[4094], '\0');
}

TEST(FormatTraceLine, NullFormatGivesNothing) {
  char buf[ravix::kTraceBufferSize] = "junk";
  EXPECT_EQ(Format(buf, nullptr), 0u);
  EXPECT_STREQ(buf, "");
}

TEST_F(DebugTraceTest, WritesNothingAndReturnsFalseWhenOff) {
  ravix::SetTraceEnabled(false);
  StderrCapture capture;
  EXPECT_FALSE(DebugTrace("invisible %d", 1));
  EXPECT_EQ(capture.Text(), "");
}

TEST_F(DebugTraceTest, WritesOneLineWhenOn) {
  ravix::SetTraceEnabled(true);
  StderrCapture capture;
  EXPECT_TRUE(DebugTrace("Using %s = %i", "MachineSleepInterval", 300000));
  EXPECT_TRUE(DebugTrace("second\n"));
  EXPECT_EQ(capture.Text(), "Using MachineSleepInterval = 300000\nsecond\n");
}

TEST_F(DebugTraceTest, NullFormatIsFalseEvenWhenOn) {
  ravix::SetTraceEnabled(true);
  StderrCapture capture;
  EXPECT_FALSE(DebugTrace(nullptr));
  EXPECT_EQ(capture.Text(), "");
}

TEST_F(DebugTraceTest, SwitchFromEnvironmentAndOption) {
  setenv("RAVIXFINDER_TRACE", "0", 1);
  ravix::InitTraceFromEnvironment();
  EXPECT_FALSE(ravix::IsTraceEnabled());
  setenv("RAVIXFINDER_TRACE", "1", 1);
  ravix::InitTraceFromEnvironment();
  EXPECT_TRUE(ravix::IsTraceEnabled());
  unsetenv("RAVIXFINDER_TRACE");
  ravix::SetTraceEnabled(false);

  char a0[] = "ravixfinder", a1[] = "--list", a2[] = "--trace", a3[] = "--all";
  char* argv[] = {a0, a1, a2, a3, nullptr};
  int argc = 4;
  EXPECT_TRUE(ravix::TakeTraceOption(argc, argv));
  EXPECT_TRUE(ravix::IsTraceEnabled());
  ASSERT_EQ(argc, 3);
  EXPECT_STREQ(argv[1], "--list");
  EXPECT_STREQ(argv[2], "--all");
  EXPECT_EQ(argv[3], nullptr);
}

}  // namespace
