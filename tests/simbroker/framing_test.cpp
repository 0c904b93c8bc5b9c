// Where a request's head and chunked body end, whatever pieces their bytes arrive in,
// and which framings the broker refuses.
#include "chunkedbody.h"
#include "httphead.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace simtest {
namespace {

using qzsim::ChunkedDecoder;
using qzsim::HeadScanner;
using qzsim::Refusal;

// The head's end as found when the bytes arrive `step` at a time.
std::size_t headEndInSteps(const std::string& text, std::size_t step, Refusal& refusal) {
  HeadScanner scanner;
  for (std::size_t size = step;; size += step) {
    const std::size_t end = scanner.scan(text.data(), std::min(size, text.size()), refusal);
    if (end != 0 || refusal || size >= text.size()) return end;
  }
}

// The decoded body, with `step` input bytes at a time into an output of `room` bytes;
// "<failed>" when the decoder refuses, "<unfinished>" when it wants more.
std::string decodeInSteps(const std::string& wire, std::size_t step, std::size_t room, std::size_t* rest = nullptr) {
  ChunkedDecoder decoder;
  std::string body;
  std::string out(room, '\0');
  std::size_t at = 0;
  while (at < wire.size() && !decoder.done() && !decoder.failed()) {
    const std::size_t piece = std::min(step, wire.size() - at);
    std::size_t used = 0;
    const std::size_t n = decoder.decode(wire.data() + at, piece, used, &out[0], room);
    body.append(out, 0, n);
    at += used;
  }
  if (rest != nullptr) *rest = wire.size() - at;
  if (decoder.failed()) return "<failed>";
  return decoder.done() ? body : "<unfinished>";
}

TEST(SimFraming, AHeadEndsAtItsEmptyLineHoweverItsBytesArrive) {
  const std::string head = "\r\nPOST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\n";
  for (std::size_t step : {1, 2, 5, 64}) {
    Refusal refusal;
    EXPECT_EQ(headEndInSteps(head + "abcPOST", step, refusal), head.size()) << step;
    EXPECT_FALSE(refusal);
  }
  Refusal refusal;
  EXPECT_EQ(headEndInSteps("POST / HTTP/1.1\r\nHost: x\r\n", 1, refusal), 0u);
  EXPECT_FALSE(refusal);
  EXPECT_EQ(headEndInSteps("POST / HTTP/1.1\r\nHost: x\n\r\n", 1, refusal), 0u);
  EXPECT_EQ(refusal.status, 400);
  refusal = Refusal();
  EXPECT_EQ(headEndInSteps("POST / HTTP/1.1\r\nX: " + std::string(9000, 'a'), 4096, refusal), 0u);
  EXPECT_EQ(refusal.status, 431);  // one line too long, refused before its end
  refusal = Refusal();
  std::string many = "POST / HTTP/1.1\r\n";
  for (int i = 0; i < 101; ++i) many += "X-" + std::to_string(i) + ": 1\r\n";
  EXPECT_EQ(headEndInSteps(many + "\r\n", 1000, refusal), 0u);
  EXPECT_EQ(refusal.status, 431);  // too many fields
}

TEST(SimFraming, AChunkedBodyDecodesTheSameInAnyPieces) {
  const std::string wire = "5;name=\"v\"\r\nhello\r\n1A\r\n" + std::string(26, 'z') + "\r\n0\r\nX-T: 1\r\nY: 2\r\n\r\n";
  const std::string expected = "hello" + std::string(26, 'z');
  for (std::size_t step : {1, 3, 7, 1000})
    for (std::size_t room : {1, 4, 100}) {
      std::size_t rest = 0;
      EXPECT_EQ(decodeInSteps(wire + "NEXT", step, room, &rest), expected) << step << " " << room;
      EXPECT_EQ(rest, 4u);  // the decoder stops at the body's end
    }
  EXPECT_EQ(decodeInSteps("0\r\n\r\n", 1, 8), "");
  EXPECT_EQ(decodeInSteps("3\r\nabc\r\n", 1, 8), "<unfinished>");
}

TEST(SimFraming, MalformedChunksAreRefused) {
  for (const std::string& wire : {
           std::string("x\r\n"),                         // no size
           std::string("3\nabc\r\n0\r\n\r\n"),           // a bare line feed
           std::string("3\r\nabcd\r\n0\r\n\r\n"),        // more data than the size
           std::string("3\r\nabc0\r\n\r\n"),             // no line end after the data
           std::string("1000000000000000\r\n"),          // a size past every bound
           std::string("3;a\x01\r\nabc\r\n0\r\n\r\n"),      // a control byte
           "1;" + std::string(5000, 'e') + "\r\n",       // an endless extension
           "0\r\nX: " + std::string(9000, 't') + "\r\n",  // an endless trailer
       })
    EXPECT_EQ(decodeInSteps(wire, 5, 16), "<failed>") << wire.substr(0, 40);
}

}  // namespace
}  // namespace simtest
