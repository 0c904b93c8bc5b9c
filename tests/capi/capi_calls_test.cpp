// Calls through the C ABI against the simulated broker: every result kind, posted
// calls and their task ids, values stored in QZMemory and read back, big values.
#include "capifixture.h"

namespace capitest {
namespace {

using QZ::QZValue;

class CapiCalls : public CapiBrokerTest {};

std::vector<float> floatsOf(const Result& result) {
  std::vector<float> floats(result.count);
  EXPECT_EQ(result.size, result.count * 4);
  if (result.count != 0) std::memcpy(floats.data(), result.data, result.size);
  return floats;
}

TEST_F(CapiCalls, ScalarResultKinds) {
  const struct {
    QZValue stored;
    int kind;
    std::int32_t number;
    float real;
  } cases[] = {{QZValue(-7), QZ_RESULT_INT, -7, 0.0f},     {QZValue(true), QZ_RESULT_BOOL, 1, 0.0f},
               {QZValue(false), QZ_RESULT_BOOL, 0, 0.0f},  {QZValue(5), QZ_RESULT_BOOL, 1, 0.0f},
               {QZValue(2.5f), QZ_RESULT_FLOAT, 0, 2.5f},  {QZValue(3), QZ_RESULT_FLOAT, 0, 3.0f}};
  for (const auto& c : cases) {
    store("scalar", c.stored);
    Result result;
    ASSERT_EQ(fetch("scalar", c.kind, result), QZ_OK) << result.bytes();
    EXPECT_EQ(result.number, c.number) << c.stored.toString(1);
    EXPECT_EQ(result.real, c.real) << c.stored.toString(1);
    EXPECT_EQ(result.storage, nullptr);
    EXPECT_EQ(result.size, 0u);
  }
}

TEST_F(CapiCalls, StringAndListResultKinds) {
  const std::string text = "caf\xC3\xA9 \x01\xFF end";
  store("string", QZValue(text));
  Result string;
  ASSERT_EQ(fetch("string", QZ_RESULT_STRING, string), QZ_OK);
  EXPECT_EQ(string.bytes(), text);

  store("strings", QZValue(std::vector<std::string>{"a", "", text}));
  Result strings;
  ASSERT_EQ(fetch("strings", QZ_RESULT_STRING_LIST, strings), QZ_OK);
  EXPECT_EQ(strings.count, 3u);
  EXPECT_EQ(strings.bytes(), le32(1) + "a" + le32(0) + le32(static_cast<std::uint32_t>(text.size())) + text);

  store("floats", list({QZValue(0.5f), QZValue(2), QZValue(-1.25f)}));
  Result floats;
  ASSERT_EQ(fetch("floats", QZ_RESULT_FLOAT_LIST, floats), QZ_OK);
  EXPECT_THAT(floatsOf(floats), testing::ElementsAre(0.5f, 2.0f, -1.25f));

  store("empty", list({}));
  Result none;
  ASSERT_EQ(fetch("empty", QZ_RESULT_FLOAT_LIST, none), QZ_OK);
  EXPECT_EQ(none.count, 0u);
  EXPECT_EQ(none.size, 0u);
}

TEST_F(CapiCalls, StoredValuesOfEveryKindComeBackAsValueBuffers) {
  const std::vector<QZValue> values = {
      QZValue(),
      QZValue(true),
      QZValue(-123456),
      QZValue(0.25f),
      QZValue(std::string("\x01 every byte but NUL \xFE\xFF")),
      binary(std::string("\0\x01\x02", 3)),
      list({QZValue(1), list({QZValue(std::string("a")), binary("b"), list({})}), QZValue()}),
      list({QZValue(1), QZValue(std::string("x"))}),  // the memory keeps status pairs too
      list({QZValue(1), QZValue(std::string("not a status pair")), QZValue(2)})};
  for (const QZValue& value : values) {
    store("value", value);
    Result result;
    ASSERT_EQ(fetch("value", QZ_RESULT_VALUE, result), QZ_OK) << result.bytes();
    EXPECT_EQ(result.bytes(), encode(value)) << value.toString(1);
    if (value.isValid()) {
      Result checked;
      ASSERT_EQ(fetch("value", QZ_RESULT_OBJECT, checked), QZ_OK) << checked.bytes();
      EXPECT_EQ(checked.bytes(), encode(value));
    }
  }
}

TEST_F(CapiCalls, OneMebibyteOfBytesBothWays) {
  std::string bytes(1 << 20, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) ^ (i >> 11));
  store("block", binary(bytes));
  Result result;
  ASSERT_EQ(fetch("block", QZ_RESULT_VALUE, result), QZ_OK) << result.bytes();
  EXPECT_TRUE(result.bytes() == item(7, 1 << 20, bytes));
}

TEST_F(CapiCalls, AHundredThousandFloatsAsAFloatList) {
  std::vector<float> floats(100000);
  for (std::size_t i = 0; i < floats.size(); ++i) floats[i] = static_cast<float>(i) / 4.0f;
  store("floats", QZValue(floats));
  Result result;
  ASSERT_EQ(fetch("floats", QZ_RESULT_FLOAT_LIST, result), QZ_OK) << result.bytes();
  EXPECT_TRUE(floatsOf(result) == floats);
}

TEST_F(CapiCalls, APostedCallGivesATaskIdThatWaitTakes) {
  ProxyHandle tts = openProxy("QZTextToSpeech", broker.port());
  const std::string args = encode(list({QZValue(std::string("Hi there"))}));
  Result posted;
  ASSERT_EQ(qz_post(tts.get(), "say", 3, bytesOf(args), args.size(), &posted), QZ_OK) << posted.bytes();
  EXPECT_GT(posted.number, 0);
  EXPECT_EQ(posted.storage, nullptr);
  Result waited, running;
  ASSERT_EQ(callWith(tts.get(), "wait", list({QZValue(posted.number), QZValue(0)}), QZ_RESULT_BOOL, waited), QZ_OK);
  EXPECT_EQ(waited.number, 1);
  ASSERT_EQ(callWith(tts.get(), "isRunning", list({QZValue(posted.number)}), QZ_RESULT_BOOL, running), QZ_OK);
  EXPECT_EQ(running.number, 0);
}

}  // namespace
}  // namespace capitest
