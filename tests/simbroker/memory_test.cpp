// QZMemory through the real client: every value comes back exactly as it was stored,
// whatever its kind, nesting and size, a status pair such as [1, ["a", 2.5]] included.
#include "simfixture.h"

#include "qzproxies/qzmemoryproxyremote.h"

#include <cstring>
#include <random>

namespace simtest {
namespace {

using QZ::QZValue;

class SimMemory : public SimBrokerTest {
protected:
  QZ::QZMemoryProxyRemote memory{"127.0.0.1", broker.port()};
};

TEST_F(SimMemory, StatusPairsAndOtherArraysComeBackUnchanged) {
  const std::vector<QZValue> values = {
      list({QZValue(1), list({QZValue(std::string("a")), QZValue(2.5f)})}),
      list({QZValue(0), QZValue(2.5f)}),
      list({QZValue(1)}),
      list({QZValue(1), QZValue(), QZValue(3)}),
      list({}),
      list({QZValue()})};
  for (const QZValue& value : values) {
    memory.insertData("pair", value);
    EXPECT_EQ(memory.getData("pair"), value) << value.toString(0);
  }
}

TEST_F(SimMemory, AStoredInvalidValueComesBackInvalid) {
  memory.insertData("nothing", QZValue());
  auto p = proxy("QZMemory");
  EXPECT_FALSE(call(*p, "getData", list({QZValue(std::string("nothing"))})).isValid());
  EXPECT_EQ(memory.getType("nothing"), "Invalid");
}

QZValue randomValue(std::mt19937& random, int depth) {
  std::uniform_int_distribution<int> kind(depth > 3 ? 2 : 0, 7);
  QZValue value;
  switch (kind(random)) {
    case 0:
    case 1: {
      const int size = std::uniform_int_distribution<int>(0, 5)(random);
      value.arraySetSize(size);
      for (int i = 0; i < size; ++i) value[i] = randomValue(random, depth + 1);
      break;
    }
    case 2: value = std::bernoulli_distribution()(random); break;
    case 3: value = static_cast<int>(random()); break;
    case 4: value = std::uniform_real_distribution<float>(-1e6f, 1e6f)(random); break;
    case 5: {
      std::string text(std::uniform_int_distribution<int>(0, 40)(random), ' ');
      for (char& c : text) c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random));
      value = QZValue(text);
      break;
    }
    case 6: break;  // Invalid: only meaningful inside an Array
    default: {
      std::string bytes(std::uniform_int_distribution<int>(0, 300)(random), '\0');
      for (char& c : bytes) c = static_cast<char>(random());
      value = binary(bytes);
    }
  }
  return value;
}

TEST_F(SimMemory, RandomNestedValuesComeBackUnchanged) {
  std::mt19937 random(20240601);
  for (int i = 0; i < 150; ++i) {
    const QZValue value = list({randomValue(random, 0), randomValue(random, 0)});
    const std::string key = "random/" + std::to_string(i);
    memory.insertData(key, value);
    const QZValue back = memory.getData(key);
    ASSERT_EQ(back, value) << "value " << i << ": " << value.toString(0) << "\nbecame " << back.toString(0);
  }
  EXPECT_EQ(memory.getDataList("random/").size(), 150u);
}

TEST_F(SimMemory, StringsWithEveryByteButNulComeBackByteForByte) {
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  for (const std::string& text : {every, std::string(" leading and trailing "), std::string("\t\n\r"), std::string()}) {
    memory.insertData("text", text);
    EXPECT_EQ(memory.getData("text"), QZValue(text));
    auto p = proxy("QZMemory");
    EXPECT_EQ(p->callRemote<std::string>("getData", std::string("text")), text);
  }
}

TEST_F(SimMemory, BinaryBlocksUpTo8MiBComeBackByteForByte) {
  std::mt19937 random(7);
  for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(65537), std::size_t(1) << 20,
                           std::size_t(8) << 20}) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    memory.insertData("block", binary(bytes));
    const QZValue back = memory.getData("block");
    ASSERT_EQ(back.getType(), QZValue::TypeBinary) << size;
    ASSERT_EQ(back.getSize(), size);
    EXPECT_TRUE(size == 0 || std::memcmp(back.GetBinary(), bytes.data(), size) == 0) << size;
  }
  // Several blocks in one value keep their order.
  const QZValue several = list({binary("first"), QZValue(std::string("x")), list({binary("second"), binary("")})});
  memory.insertData("blocks", several);
  EXPECT_EQ(memory.getData("blocks"), several);
}

TEST_F(SimMemory, EachInsertFormKeepsTheKindItWasGiven) {
  memory.insertData("int", 3);
  memory.insertData("float", 2.5f);
  memory.insertData("string", std::string("s"));
  EXPECT_EQ(memory.getType("int"), "Int");
  EXPECT_EQ(memory.getType("float"), "Float");
  EXPECT_EQ(memory.getType("string"), "String");
  memory.insertListData(list({list({QZValue(std::string("a")), QZValue(1)}), list({QZValue(std::string("b")), QZValue(2)})}));
  EXPECT_EQ(memory.getListData(QZValue(std::vector<std::string>{"a", "b"})), list({QZValue(1), QZValue(2)}));
  memory.removeData("a");
  EXPECT_THAT(memory.getDataListName(), ::testing::Not(::testing::Contains("a")));
}

TEST_F(SimMemory, AMissingKeyOrABadPairIsRefusedWithItsReason) {
  EXPECT_THAT([&] { memory.getData("absent"); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::StrEq(faultText(
                  "QZMemory", "QZMemory.getData: no value is stored under the key absent",
                  "getData(string key) -> object"))));
  // A bad pair stores nothing, the good pairs before it included.
  EXPECT_THROW(memory.insertListData(list({list({QZValue(std::string("good")), QZValue(1)}), QZValue(5)})),
               QZ::QZError);
  EXPECT_THAT(memory.getDataListName(), ::testing::Not(::testing::Contains("good")));
}

TEST_F(SimMemory, EventsAreDeclaredRaisedAndSubscribedTo) {
  memory.declareEvent("Touched", "TouchExtractor");
  memory.raiseEvent("Touched", QZValue(1));
  memory.raiseEvent("Touched", QZValue(2));
  memory.raiseMicroEvent("Blink", QZValue(std::string("now")));
  memory.subscribeToEvent("Touched", "Listener", "onTouched");
  EXPECT_THAT(memory.getEventList(), ::testing::Contains("Touched"));
  EXPECT_THAT(memory.getMicroEventList(), ::testing::ElementsAre("Blink"));
  EXPECT_THAT(memory.getExtractorEvent("TouchExtractor"), ::testing::ElementsAre("Touched"));
  EXPECT_THAT(memory.getSubscribers("Touched"), ::testing::ElementsAre("Listener"));
  EXPECT_EQ(memory.getData("Touched"), QZValue(2));
  const QZValue history = memory.getEventHistory("Touched");
  ASSERT_EQ(history.getSize(), 2u);
  EXPECT_EQ(history[0][0], QZValue(1));
  memory.unregisterModuleReference("Listener");
  EXPECT_TRUE(memory.getSubscribers("Touched").empty());
  memory.removeMicroEvent("Blink");
  EXPECT_TRUE(memory.getMicroEventList().empty());
}

}  // namespace
}  // namespace simtest
