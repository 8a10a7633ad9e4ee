// The HTTP transfer layer against a real server on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "http/perform_request.h"
#include "tests/support/scripted_camera_server.h"

namespace {

using camtest::ScriptedCameraServer;
using camtest::ScriptedReply;

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Start()); }

  // GET base + path into a zero-filled buffer of the given size.
  CameraResult Get(const std::string& path, unsigned size, std::string* text = nullptr, unsigned* length = nullptr) {
    buffer_.assign(size, 'x');
    std::memset(buffer_.data(), 0, size);
    ResponseBuffer out{buffer_.data(), size, 0};
    const std::string url = server_.BaseUrl() + path;
    const CameraResult r = PerformRequest(url.c_str(), 2000, request_, &out);
    if (text != nullptr) *text = std::string(buffer_.data(), strnlen(buffer_.data(), size));
    if (length != nullptr) *length = out.length;
    return r;
  }

  ScriptedCameraServer server_;
  CCurlRequest request_;
  std::string buffer_;
};

TEST_F(TransferTest, BodyFitsOnlyWithItsTerminatingNul) {
  server_.Reply("/4095", {200, std::string(4095, 'a')});
  server_.Reply("/4096", {200, std::string(4096, 'b')});
  std::string text;
  unsigned length = 0;
  EXPECT_EQ(Get("4095", 4096, &text, &length), CamOk);
  EXPECT_EQ(length, 4096u);
  EXPECT_EQ(text, std::string(4095, 'a'));

  EXPECT_EQ(Get("4096", 4096, &text, &length), CamResponseTooLarge);
  EXPECT_EQ(text, "") << "nothing is copied when the body does not fit";
}

// A camera that sends far more than any answer holds: the transfer ends at the caller's
// buffer, whatever the camera announced, and the request never holds more than that.
TEST_F(TransferTest, OversizeAnswersEndAtTheCallersBuffer) {
  const std::string huge(8 * 1024 * 1024, 'z');
  server_.Reply("/huge", {200, huge});
  server_.Reply("/login-page", {401, huge});
  std::string text;
  EXPECT_EQ(Get("huge", 4096, &text), CamResponseTooLarge);
  EXPECT_EQ(text, "");
  EXPECT_LE(request_.GetBodyCapacity(), 4096u);
  EXPECT_EQ(Get("login-page", 4096), 401) << "an error page keeps its status";
  EXPECT_LE(request_.GetBodyCapacity(), 4096u);

  const std::string url = server_.BaseUrl() + "huge";
  EXPECT_EQ(PerformRequest(url.c_str(), 5000, request_, nullptr), CamOk) << "a body not wanted is read and dropped";
  EXPECT_LE(request_.GetBodyCapacity(), 4096u);
  server_.Reply("/small", {200, "Return_0=1\n"});
  EXPECT_EQ(Get("small", 4096, &text), CamOk) << "the request serves the next transfer";
  EXPECT_EQ(text, "Return_0=1\n");
}

TEST(CurlRequestHeader, AnnouncedLengthReservesNoMoreThanTheLimit) {
  CCurlRequest request;
  request.SetBodyLimit(4095);
  const char line[] = "Content-Length: 50000000\r\n";
  EXPECT_EQ(request.OnHeader(line, 1, sizeof line - 1), sizeof line - 1);
  EXPECT_LE(request.GetBodyCapacity(), 4095u);
  EXPECT_EQ(request.OnData(std::string(4095, 'a').data(), 1, 4095), 4095u);
  EXPECT_EQ(request.OnData("b", 1, 1), 0u);
  EXPECT_TRUE(request.BodyOverflowed());
  EXPECT_EQ(request.GetBodySize(), 4095u);
}

TEST_F(TransferTest, EmptyBodyAndOtherStatuses) {
  server_.Reply("/empty", {200, ""});
  server_.Reply("/204", {204, ""});
  server_.Reply("/302", {302, "moved"});
  server_.Reply("/401", {401, "login first"});
  server_.Reply("/500", {500, "broken"});
  std::string text;
  unsigned length = 99;
  EXPECT_EQ(Get("empty", 4096, &text, &length), CamOk);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(text, "");
  for (int status : {204, 302, 401, 500}) {
    EXPECT_EQ(Get(std::to_string(status), 4096, &text), status);
    EXPECT_EQ(text, "") << "body of a " << status << " answer must not be copied";
  }
  // The same request object serves all of them, one after the other.
  EXPECT_EQ(server_.Requests().size(), 5u);
}

TEST_F(TransferTest, NullDestinationIsAllocatedToFit) {
  server_.Reply("/text", {200, "Return_0=1\n"});
  ResponseBuffer out;
  const std::string url = server_.BaseUrl() + "text";
  ASSERT_EQ(PerformRequest(url.c_str(), 2000, request_, &out), CamOk);
  ASSERT_NE(out.data, nullptr);
  EXPECT_EQ(out.capacity, 12u);
  EXPECT_EQ(out.length, 12u);
  EXPECT_STREQ(out.data, "Return_0=1\n");
  std::free(out.data);

  // No destination at all: the transfer alone counts.
  EXPECT_EQ(PerformRequest(url.c_str(), 2000, request_, nullptr), CamOk);
}

TEST_F(TransferTest, ArgumentsAreCheckedBeforeAnyTraffic) {
  server_.Reply("/", {200, "x"});
  const std::string url = server_.BaseUrl();
  EXPECT_EQ(PerformRequest(nullptr, 1000, request_, nullptr), CamMissingArgument);
  EXPECT_EQ(PerformRequest(url.c_str(), 0, request_, nullptr), CamInvalidTimeout);
  EXPECT_EQ(PerformRequest(url.c_str(), -1, request_, nullptr), CamInvalidTimeout);
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(TransferTest, TransferFailuresAreMapped) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(camtest::ClosedLoopbackPort()) + "/";
  EXPECT_EQ(PerformRequest(refused.c_str(), 1000, request_, nullptr), CamTransferFailed);

  server_.Reply("/slow", {200, "late", std::chrono::milliseconds(600)});
  const std::string slow = server_.BaseUrl() + "slow";
  EXPECT_EQ(PerformRequest(slow.c_str(), 150, request_, nullptr), CamTimedOut);

  EXPECT_EQ(PerformRequest("nosuchscheme://x/", 1000, request_, nullptr), CamTransferFailed);
}

TEST(MapTransferError, TableAndDefault) {
  EXPECT_EQ(MapTransferError(CURLE_OK), CamOk);
  EXPECT_EQ(MapTransferError(CURLE_COULDNT_RESOLVE_HOST), CamHostNotFound);
  EXPECT_EQ(MapTransferError(CURLE_OPERATION_TIMEDOUT), CamTimedOut);
  EXPECT_EQ(MapTransferError(CURLE_SEND_ERROR), CamSendFailed);
  EXPECT_EQ(MapTransferError(CURLE_RECV_ERROR), CamReceiveFailed);
  EXPECT_EQ(MapTransferError(CURLE_COULDNT_CONNECT), CamTransferFailed);
  EXPECT_EQ(MapTransferError(CURLE_WRITE_ERROR), CamTransferFailed);
}

TEST(CurlRequestHeader, OnlyTheExactContentLengthNameReserves) {
  struct Case {
    const char* line;
    bool reserves;
  } cases[] = {
      {"Content-Length: 3000\r\n", true},    {"Content-Length:\t 3000\r\n", true},
      {"content-length: 3000\r\n", false},   {"CONTENT-LENGTH: 3000\r\n", false},
      {"Content-Length: 0\r\n", false},      {"Content-Length: -3000\r\n", false},
      {"Content-Length: abc\r\n", false},    {"Content-Type: 3000\r\n", false},
      {"Content-Length: 99999999999999999999999\r\n", false},
  };
  for (const Case& c : cases) {
    CCurlRequest request;
    const std::size_t n = std::strlen(c.line);
    EXPECT_EQ(request.OnHeader(c.line, 1, n), n) << c.line;
    EXPECT_EQ(request.GetBodyCapacity() >= 3000, c.reserves) << c.line;
  }
}

TEST(CurlRequestBody, TerminateAndClear) {
  CCurlRequest request;
  EXPECT_FALSE(request.TerminateBody());
  EXPECT_EQ(request.GetBodyData(), nullptr);
  EXPECT_EQ(request.OnData("abc", 1, 3), 3u);
  EXPECT_EQ(request.OnData("de", 2, 1), 2u);
  EXPECT_TRUE(request.TerminateBody());
  EXPECT_EQ(request.GetBodySize(), 6u);
  EXPECT_STREQ(request.GetBodyData(), "abcde");
  request.ClearBody();
  EXPECT_EQ(request.GetBodySize(), 0u);
  EXPECT_GE(request.GetBodyCapacity(), 6u) << "clearing keeps the capacity";
}

TEST(CurlRequestHeader, LowerCaseLengthStillCollectsTheBody) {
  camtest::RawAnswerServer raw(
      "HTTP/1.1 200 OK\r\ncontent-length: 11\r\nConnection: close\r\n\r\nReturn_0=1\n");
  ASSERT_TRUE(raw.Start());
  CCurlRequest request;
  char buf[64] = {};
  ResponseBuffer out{buf, sizeof buf, 0};
  EXPECT_EQ(PerformRequest(raw.BaseUrl().c_str(), 2000, request, &out), CamOk);
  EXPECT_STREQ(buf, "Return_0=1\n");
  EXPECT_EQ(out.length, 12u);
}

TEST(CurlRequestUrl, RemembersAndWipesTheUrl) {
  CCurlRequest request;
  EXPECT_EQ(request.SetStringOption(CURLOPT_URL, "http://u:p@127.0.0.1/"), CURLE_OK);
  EXPECT_EQ(request.GetUrl(), "http://u:p@127.0.0.1/");
  request.WipeUrl();
  EXPECT_EQ(request.GetUrl(), "");
}

TEST_F(TransferTest, FormPostsOneFilePart) {
  server_.Reply("/verify", {200, "image is matching here"});
  const std::string image("\x01\x02\x00\xff firmware", 13);
  CCurlRequest::CCurlFormData form;
  EXPECT_TRUE(form.IsEmpty());
  ASSERT_TRUE(form.AddBufferPart("firmware", "RavixFinderRocks.bin", image.data(), image.size()));
  ASSERT_TRUE(request_.Init());
  ASSERT_EQ(request_.SetStringOption(CURLOPT_URL, (server_.BaseUrl() + "verify").c_str()), CURLE_OK);
  ASSERT_EQ(request_.SetForm(form), CURLE_OK);
  ASSERT_EQ(request_.Perform(), CURLE_OK);
  ASSERT_TRUE(request_.TerminateBody());
  EXPECT_STREQ(request_.GetBodyData(), "image is matching here");

  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].contentType.rfind("multipart/form-data; boundary=", 0), 0u);
  ASSERT_EQ(requests[0].parts.size(), 1u);
  const camtest::ReceivedPart& part = requests[0].parts[0];
  EXPECT_EQ(part.name, "firmware");
  EXPECT_EQ(part.fileName, "RavixFinderRocks.bin");
  EXPECT_EQ(part.contentType, "application/octet-stream");
  EXPECT_EQ(part.content, image);
}

// Answers many times the size of libcurl's receive buffer arrive whole and in order, into
// a caller's buffer and into one made to fit; and the first transfers of the process,
// started from many threads at once, all work (the library's set-up runs once).
TEST_F(TransferTest, LongAnswersAndFirstTransfersFromManyThreads) {
  std::string body(100 * 1024, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  server_.Reply("/long", {200, body});
  const std::string url = server_.BaseUrl() + "long";

  std::vector<CameraResult> results(16, CamTransferFailed);
  std::vector<std::string> texts(results.size());
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&, t] {
      CCurlRequest request;
      std::string buffer(body.size() + 1, '\0');
      ResponseBuffer out{buffer.data(), static_cast<unsigned>(buffer.size()), 0};
      results[t] = PerformRequest(url.c_str(), 5000, request, &out);
      texts[t] = std::string(buffer.data(), out.length > 0 ? out.length - 1 : 0);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < results.size(); ++t) {
    EXPECT_EQ(results[t], CamOk) << "thread " << t;
    EXPECT_TRUE(texts[t] == body) << "thread " << t << " got " << texts[t].size() << " bytes";
  }

  ResponseBuffer fitted;
  ASSERT_EQ(PerformRequest(url.c_str(), 5000, request_, &fitted), CamOk);
  ASSERT_NE(fitted.data, nullptr);
  EXPECT_EQ(fitted.length, body.size() + 1);
  EXPECT_TRUE(std::string(fitted.data) == body);
  std::free(fitted.data);
}

}  // namespace
