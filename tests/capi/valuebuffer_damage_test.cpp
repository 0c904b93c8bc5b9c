// Damaged value buffers: every one is refused with a text naming where, none is read
// past its end (ASan watches), none allocates for what its bytes cannot hold.
#include "capitest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace capitest {
namespace {

using QZ::QZValue;
using testing::HasSubstr;
using testing::StartsWith;

// Valid buffers with every kind at the top and inside Arrays.
std::vector<std::string> validBuffers() {
  return {encode(QZValue()),
          encode(QZValue(true)),
          encode(QZValue(-5)),
          encode(QZValue(2.5f)),
          encode(QZValue(std::string("text"))),
          encode(object("AAECAw==")),
          encode(binary("bytes")),
          encode(list({QZValue(1), list({QZValue(std::string("a")), binary("b"), QZValue()}), QZValue(false)}))};
}

// `bytes` copied into a block of exactly that size, so a read past its end is caught.
std::string refusalOfExact(const std::string& bytes) {
  std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
  std::memcpy(exact.get(), bytes.data(), bytes.size());
  try {
    QZ::capi::decodeValue(exact.get(), bytes.size());
    return "";
  } catch (const QZ::QZError& refused) {
    return refused.what();
  }
}

TEST(ValueBufferDamage, EveryTruncationIsRefusedAsRunningPastTheEnd) {
  for (const std::string& buffer : validBuffers()) {
    ASSERT_EQ(refusalOfExact(buffer), "");
    for (std::size_t cut = 0; cut < buffer.size(); ++cut) {
      const std::string text = refusalOfExact(buffer.substr(0, cut));
      EXPECT_THAT(text, StartsWith("\tqz_call::value buffer\n\t")) << cut;
      EXPECT_THAT(text, testing::AnyOf(HasSubstr("runs past the end (" + std::to_string(cut) + " bytes)"),
                                       HasSubstr("more elements than the")))
          << cut;
    }
  }
  EXPECT_EQ(refusal(""), "the header at offset 0 runs past the end (0 bytes)");
  EXPECT_EQ(refusal(item(1, 1) + item(5, 1000, "1234567")),
            "length 1000 at offset 5 runs past the end (17 bytes)");
}

TEST(ValueBufferDamage, EachRuleOfTheFormHasItsText) {
  EXPECT_EQ(refusal(item(8, 0)), "unknown kind 8 at offset 0");
  EXPECT_EQ(refusal(item(1, 1) + item(255, 0)), "unknown kind 255 at offset 5");
  EXPECT_EQ(refusal(item(0, 1, "x")), "length 1 at offset 0 does not fit an Invalid (0 bytes)");
  EXPECT_EQ(refusal(item(2, 4, "\x01\0\0\0")), "length 4 at offset 0 does not fit a Bool (1 byte)");
  EXPECT_EQ(refusal(item(2, 1, "\x02")), "Bool byte 2 at offset 0 is neither 0 nor 1");
  EXPECT_EQ(refusal(item(3, 8, std::string(8, '\0'))), "length 8 at offset 0 does not fit an Int (4 bytes)");
  EXPECT_EQ(refusal(item(4, 2, "ab")), "length 2 at offset 0 does not fit a Float (4 bytes)");
  EXPECT_EQ(refusal(item(3, 4, "abcd") + "z"), "extra bytes at offset 9 after the value (10 bytes)");
  EXPECT_EQ(refusal(item(1, 0) + item(0, 0)), "extra bytes at offset 5 after the value (10 bytes)");
  EXPECT_EQ(refusal(item(1, 2) + item(5, 1, "x") + "abcd"), "the header at offset 11 runs past the end (15 bytes)");
  // Decoding for qz_post names it.
  const std::string bad = item(9, 0);
  EXPECT_THAT([&] { QZ::capi::decodeValue(bytesOf(bad), bad.size(), "qz_post"); },
              testing::ThrowsMessage<QZ::QZError>(testing::StrEq("\tqz_post::value buffer\n\tunknown kind 9 at offset 0")));
}

TEST(ValueBufferDamage, HugeCountsAndLengthsAreRefusedBeforeAllocating) {
  EXPECT_EQ(refusal(item(1, 0xFFFFFFFF)), "count 4294967295 at offset 0 is more elements than the 0 bytes left can hold");
  // Ten bytes left hold two elements, not three.
  EXPECT_EQ(refusal(item(1, 3) + std::string(10, '\0')),
            "count 3 at offset 0 is more elements than the 10 bytes left can hold");
  EXPECT_EQ(refusal(item(1, 1) + item(1, 0x7FFFFFFF)),
            "count 2147483647 at offset 5 is more elements than the 0 bytes left can hold");
  // Nested Arrays share the bytes left: each cannot claim them all.
  EXPECT_EQ(refusal(item(1, 3) + item(1, 3) + std::string(15, '\0')),
            "count 3 at offset 5 is more elements than the 15 bytes left can hold beside 2 elements still to come");
  std::string greedy;
  for (int level = 0; level < 200; ++level) greedy += item(1, 90000);
  greedy.resize(500000, '\0');
  EXPECT_EQ(refusal(greedy), "count 90000 at offset 5 is more elements than the 499990 bytes left can hold "
                             "beside 89999 elements still to come");
  for (int kind : {5, 6, 7})
    EXPECT_EQ(refusal(item(kind, 0xFFFFFFFF, "abc")), "length 4294967295 at offset 0 runs past the end (8 bytes)");
}

TEST(ValueBufferDamage, NestingFarPastTheBoundIsRefusedWithoutRecursion) {
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += item(1, 1);
  EXPECT_EQ(refusal(deep), "the value at offset 1280 is nested deeper than 256 levels");
  // Wide rather than deep: an Array of 10,000 empty Arrays is fine.
  std::string wide = item(1, 10000);
  for (int i = 0; i < 10000; ++i) wide += item(1, 0);
  EXPECT_EQ(decode(wide).getSize(), 10000u);
}

TEST(ValueBufferDamage, RandomCorruptionIsRefusedOrReadConsistently) {
  std::mt19937 random(99);
  const std::vector<std::string> buffers = validBuffers();
  for (int i = 0; i < 20000; ++i) {
    std::string buffer = buffers[random() % buffers.size()];
    const int changes = 1 + static_cast<int>(random() % 3);
    for (int c = 0; c < changes; ++c) buffer[random() % buffer.size()] = static_cast<char>(random());
    const std::string text = refusalOfExact(buffer);
    if (text.empty()) {
      ASSERT_EQ(encode(decode(buffer)), buffer) << i;
    } else {
      ASSERT_THAT(text, StartsWith("\tqz_call::value buffer\n\t")) << i;
      ASSERT_THAT(text, HasSubstr(" at offset ")) << i;
    }
  }
}

}  // namespace
}  // namespace capitest
