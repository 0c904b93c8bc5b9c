// The one-pass reader of the writer's plain form must give exactly what the document
// parser gives, and decline whatever it does not fully understand.
#include "qzvaluesoap.h"
#include "qzvaluesoap_plain.h"

#include "qzvalue/qzerror.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

using QZ::QZValue;
using QZ::valuexml::PlainRead;

// What reading `text` comes to: the value, or the error text.
struct Outcome {
  bool found = false;
  std::string error;
  QZValue value;
};

template <typename Reader>
Outcome outcomeOf(Reader read, const std::string& text) {
  Outcome outcome;
  try {
    outcome.found = read(text, outcome.value);
  } catch (const QZ::QZError& error) {
    outcome.error = error.what();
  }
  return outcome;
}

// Same kinds and contents, floats bit for bit, so that NaN matches NaN.
bool identical(const QZValue& a, const QZValue& b) {
  if (a.getType() != b.getType()) return false;
  if (a.getType() == QZValue::TypeFloat) {
    const float x = a, y = b;
    return std::memcmp(&x, &y, sizeof x) == 0;
  }
  if (a.getType() == QZValue::TypeArray) {
    if (a.getSize() != b.getSize()) return false;
    for (int i = 0; i < static_cast<int>(a.getSize()); ++i)
      if (!identical(a[i], b[i])) return false;
    return true;
  }
  return a == b;
}

// Reads `text` both ways and expects the same outcome; true when the plain form was
// taken.
bool expectSameAsDocumentParser(const std::string& text) {
  const Outcome fast = outcomeOf(QZ::readValueFromText, text);
  const Outcome parsed = outcomeOf(QZ::readValueWithDocumentParser, text);
  EXPECT_EQ(fast.error, parsed.error) << text;
  EXPECT_EQ(fast.found, parsed.found) << text;
  if (fast.error.empty()) {
    EXPECT_TRUE(identical(fast.value, parsed.value))
        << text << ": " << fast.value.toString(1) << " against " << parsed.value.toString(1);
  }
  QZValue scratch;
  return QZ::valuexml::readPlainValue(text, scratch) == PlainRead::kRead;
}

std::string randomBytes(std::mt19937& random, std::size_t length) {
  std::uniform_int_distribution<int> byte(1, 255);
  std::string bytes;
  for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>(byte(random));
  return bytes;
}

QZValue randomValue(std::mt19937& random, int depth) {
  std::uniform_int_distribution<int> kind(depth > 4 ? 2 : 0, 10);
  switch (kind(random)) {
    case 0:
    case 1: {
      QZValue array;
      const int size = std::uniform_int_distribution<int>(0, 5)(random);
      array.arraySetSize(size);
      for (int i = 0; i < size; ++i) array[i] = randomValue(random, depth + 1);
      return array;
    }
    case 2: return QZValue(random() % 2 == 0);
    case 3: return QZValue(static_cast<int>(random()));
    case 4: return QZValue(std::uniform_real_distribution<float>(-1e30f, 1e30f)(random));
    case 5: return QZValue(std::uniform_real_distribution<float>(-2.0f, 2.0f)(random));
    case 6: return QZValue(randomBytes(random, random() % 12));
    case 7: return QZValue(std::string(" \t\n "));  // white space as references only
    case 8: {
      QZValue binary;
      const std::string bytes = randomBytes(random, random() % 8);
      binary.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
      return binary;
    }
    case 9: {
      QZValue object;
      object.decodeBase64Object("AAECAwQF");
      return object;
    }
    default: return QZValue();
  }
}

QZValue randomArguments(std::mt19937& random) {
  QZValue list;
  list.arraySetSize(6);
  for (int i = 0; i < 6; ++i) list[i] = randomValue(random, 1);
  return list;
}

std::string written(const QZValue& value) {
  std::string text;
  QZ::appendValueXml(value, text, false);
  return text;
}

TEST(PlainReader, TakesEveryTextTheWriterProduces) {
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    const std::string text = written(randomArguments(random));
    EXPECT_TRUE(expectSameAsDocumentParser(text + "</qzbroker:return></x>")) << text;
  }
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_TRUE(expectSameAsDocumentParser(written(QZValue(all))));
  EXPECT_TRUE(expectSameAsDocumentParser(written(QZValue(std::string("a\0b", 3)))));
}

TEST(PlainReader, AgreesOnTheEdgesOfItsForm) {
  const std::string taken[] = {
      "<item xsi:type=\"xsd:string\"></item>",
      "<item xsi:type=\"xsd:string\"/>",
      "<item xsi:type=\"Array\"/>",
      "<item xsi:type=\"xsd:int\"/>",
      "<item xsi:type=\"xsd:boolean\">FALSE</item>",
      "<item xsi:type=\"my bool\">no</item>",
      "<item xsi:type=\"SOAP-ENC:Array\"><item xsi:type=\"xsd:double\">2.5</item></item>",
      "<item xsi:type=\"xsd:long\">5</item>",
      "<item xsi:type=\"\">5</item>",
      "<item xsi:type=\"x>y\">5</item>",
      "<item xsi:nil=\"true\" xsi:type=\"nil\">nil</item>",
      "<item xsi:nil=\"\" xsi:type=\"xsd:int\">3</item>",
      "<item xsi:type=\"xsd:string\">&#0;</item>",
      "<item xsi:type=\"xsd:string\">a&#0;b</item>",
      "<item xsi:type=\"xsd:string\">&#32;</item>",
      "<item xsi:type=\"xsd:string\">&#9;&#10;&#32;x&#32;</item>",
      "<item xsi:type=\"xsd:string\">&#x41;&#xe9;&#xE9;&#1000065;&#xFFFF41;</item>",
      "<item xsi:type=\"xsd:string\">&amp;&lt;&gt;&quot;&apos;</item>",
      "<item xsi:type=\"xsd:string\">\x7F!~</item>",
      "<item xsi:type=\"xsd:int\">12abc</item><item",
      "<item xsi:type=\"xsd:base64Binary\">MQ==</item>",
      "<item xsi:type=\"xsd:base64Binary\">&#0;</item>",
      "<item xsi:type=\"xsd:base64Object\">AAAA</item>",
      "<item xsi:type=\"xsd:float\">nan</item>",
      "<item xsi:type=\"xsd:float\">-INF</item>",
      "<item xsi:type=\"xsd:float\">Infinity</item>",
      "<item xsi:type=\"xsd:float\">nanx</item>",
      "<item xsi:type=\"Array\"><item xsi:type=\"Array\"><item xsi:type=\"xsd:base64Binary\">AA</item></item></item>",
  };
  for (const std::string& text : taken) EXPECT_TRUE(expectSameAsDocumentParser(text)) << text;

  // Forms the document parser decides: raw white space, other attributes or spellings,
  // untyped or typed-array children, text between items, comments, unknown or long
  // references, bytes outside printable ASCII, cut-short text.
  const std::string declined[] = {
      " <item xsi:type=\"xsd:int\">1</item>",
      "<item xsi:type=\"xsd:string\"> a b </item>",
      "<item xsi:type=\"xsd:string\">a\nb</item>",
      "<item xsi:type='xsd:int'>1</item>",
      "<item  xsi:type=\"xsd:int\">1</item>",
      "<item xsi:type=\"xsd:int\" >1</item>",
      "<item xsi:type=\"xsd:int\">1</item >",
      "<item xsi:type=\"xsd:int\" xsi:nil=\"true\">1</item>",
      "<item xsi:type=\"xsd:int\" xsi:type=\"xsd:string\">1</item>",
      "<item xsi:type=\"xsd:int\" a=\"b\">1</item>",
      "<item xsi:type=\"a&amp;b\">1</item>",
      "<item>1</item>",
      "<items xsi:type=\"xsd:int\">1</items>",
      "<item xsi:type=\"Array\" SOAP-ENC:arrayType=\"xsd:int[2]\"><item>1</item><item>2</item></item>",
      "<item xsi:type=\"Array\"><item>1</item></item>",
      "<item xsi:type=\"Array\">x<item xsi:type=\"xsd:int\">1</item></item>",
      "<item xsi:type=\"Array\"> <item xsi:type=\"xsd:int\">1</item></item>",
      "<item xsi:type=\"Array\"><!--c--><item xsi:type=\"xsd:int\">1</item></item>",
      "<item xsi:type=\"xsd:int\"><!--c-->1</item>",
      "<item xsi:type=\"xsd:int\">1<item xsi:type=\"xsd:int\">2</item></item>",
      "<item xsi:type=\"nil\"><item xsi:type=\"xsd:int\">2</item></item>",
      "<item xsi:type=\"xsd:string\"><![CDATA[x]]></item>",
      "<item xsi:type=\"xsd:string\">&nbsp;</item>",
      "<item xsi:type=\"xsd:string\">a&b</item>",
      "<item xsi:type=\"xsd:string\">&#;</item>",
      "<item xsi:type=\"xsd:string\">&#X41;</item>",
      "<item xsi:type=\"xsd:string\">&#12345678;</item>",
      "<item xsi:type=\"xsd:string\">&#x1234567;</item>",
      "<item xsi:type=\"xsd:string\">&#12<b/>;</item>",
      "<item xsi:type=\"xsd:string\">\xC3\xA9</item>",
      "<item xsi:type=\"xsd:int\">1</item",
      "<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item>",
      "<item xsi:type=\"xsd:int\">1",
      "<item xsi:type=\"xsd:int",
  };
  for (const std::string& text : declined) EXPECT_FALSE(expectSameAsDocumentParser(text)) << text;
}

std::string nestedArrays(int levels, const std::string& leaf) {
  std::string text;
  for (int i = 1; i < levels; ++i) text += "<item xsi:type=\"Array\">";
  text += leaf;
  for (int i = 1; i < levels; ++i) text += "</item>";
  return text;
}

// Errors are left to the document parser's reading, which checks the whole element
// first: a cut-short answer is reported as such wherever it also holds an error.
TEST(PlainReader, LeavesErrorsToTheDocumentParser) {
  const std::string leaf = "<item xsi:type=\"xsd:int\">1</item>";
  const std::string noBinaryText = "<item xsi:type=\"xsd:base64Binary\"></item>";
  EXPECT_TRUE(expectSameAsDocumentParser(nestedArrays(256, leaf)));
  EXPECT_FALSE(expectSameAsDocumentParser(nestedArrays(257, leaf)));
  EXPECT_FALSE(expectSameAsDocumentParser(nestedArrays(5000, leaf)));
  EXPECT_FALSE(expectSameAsDocumentParser(noBinaryText));
  EXPECT_FALSE(expectSameAsDocumentParser("<item xsi:type=\"xsd:base64Binary\"/>"));
  const std::string cutShort = "<item xsi:type=\"Array\">" + noBinaryText + "<item xsi:type=\"xsd:int\">1</item";
  EXPECT_FALSE(expectSameAsDocumentParser(cutShort));
  EXPECT_FALSE(expectSameAsDocumentParser(nestedArrays(300, leaf).substr(0, 9000)));
}

// Writer output with bytes changed, inserted or removed: wherever the plain reader still
// takes the text, it must read what the document parser reads.
TEST(PlainReader, AgreesOnDamagedText) {
  std::mt19937 random(3);
  const std::string alphabet = "<>/&#;\"'= x0aA:item";
  std::uniform_int_distribution<std::size_t> pickByte(0, alphabet.size() - 1);
  int taken = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string text = written(randomArguments(random));
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int edit = 0; edit < edits && !text.empty(); ++edit) {
      const std::size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text[at] = alphabet[pickByte(random)]; break;
        case 1: text.insert(at, 1, alphabet[pickByte(random)]); break;
        default: text.erase(at, 1); break;
      }
    }
    if (expectSameAsDocumentParser(text)) ++taken;
    if (HasFailure()) break;
  }
  EXPECT_GT(taken, 400);  // the damage often lies where the form still holds
}

// The reading while the text arrives: fed the same text in pieces of any size, it ends
// exactly where the item does when "</" follows it, with the value the whole text gives;
// wherever it ends, the value is what reading the text before that end gives.
struct Streamed {
  QZ::valuexml::PlainStreamReader::Step step = QZ::valuexml::PlainStreamReader::Step::kNeedMore;
  std::size_t end = 0;
  QZValue value;
};

Streamed readInPieces(const std::string& text, std::size_t piece) {
  Streamed result;
  QZ::valuexml::PlainStreamReader reader(result.value);
  std::string grown;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    grown.append(text, at, piece);
    result.step = reader.read(grown);
    if (result.step != QZ::valuexml::PlainStreamReader::Step::kNeedMore) break;
  }
  if (reader.ended()) result.end = reader.end();
  return result;
}

void expectStreamAgrees(const std::string& content, const std::string& after) {
  using Step = QZ::valuexml::PlainStreamReader::Step;
  const std::string text = content + after;
  QZValue whole;
  const bool plain = QZ::valuexml::readPlainValue(content, whole) == PlainRead::kRead;
  for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), std::size_t(64), text.size()}) {
    const Streamed streamed = readInPieces(text, piece);
    if (streamed.step == Step::kEnded) {
      QZValue before;
      ASSERT_TRUE(QZ::readValueFromText(text.substr(0, streamed.end), before)) << text;
      EXPECT_TRUE(identical(before, streamed.value)) << text << " in pieces of " << piece;
    }
    // A whole plain item that the end tag follows at once is always read this way when
    // its pieces are not smaller than its tokens (smaller ones may make it decline).
    if (plain && after.compare(0, 2, "</") == 0 && written(whole) == content && piece >= 64) {
      EXPECT_EQ(Step::kEnded, streamed.step) << text << " in pieces of " << piece;
      EXPECT_EQ(content.size(), streamed.end) << text << " in pieces of " << piece;
      EXPECT_TRUE(identical(whole, streamed.value)) << text << " in pieces of " << piece;
    }
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(PlainStreamReader, EndsWhereTheItemEndsHoweverTheTextArrives) {
  std::mt19937 random(11);
  for (int i = 0; i < 200; ++i) expectStreamAgrees(written(randomArguments(random)), "</qzbroker:return>");
  QZValue floats;
  floats.arraySetSize(3000);
  for (int i = 0; i < 3000; ++i) floats[i] = static_cast<float>(i) / 7.0f - 100.0f;
  expectStreamAgrees(written(floats), "</r>");
  // Floats the quick path leaves to the full reading, and edges of the form.
  for (const char* text : {"1e50", "-1e-50", "1.5e", "0x10", "nan", "-", "", "+1", ".5", "1&#48;"}) {
    expectStreamAgrees(std::string("<item xsi:type=\"xsd:float\">") + text + "</item>", "</r>");
  }
  expectStreamAgrees("<item xsi:type=\"Array\"/>", "</r>");
  expectStreamAgrees("<item xsi:nil=\"true\" xsi:type=\"xsd:int\">3</item>", "</r>");
}

// A token cut by every piece is read again each time; a long one, or many arriving a
// byte at a time, make the reading decline before that costs more than the text's size.
TEST(PlainStreamReader, DeclinesRatherThanReadingCutTokensAgainWithoutBound) {
  using Step = QZ::valuexml::PlainStreamReader::Step;
  const std::string longString = written(QZValue(std::string(200000, 'x'))) + "</r>";
  EXPECT_EQ(Step::kDeclined, readInPieces(longString, 1).step);
  EXPECT_EQ(Step::kDeclined, readInPieces(longString, 100).step);
  EXPECT_EQ(Step::kEnded, readInPieces(longString, longString.size()).step);
  QZValue floats;
  floats.arraySetSize(5000);
  for (int i = 0; i < 5000; ++i) floats[i] = static_cast<float>(i);
  const std::string text = written(floats) + "</r>";
  EXPECT_EQ(Step::kDeclined, readInPieces(text, 1).step);
  EXPECT_EQ(Step::kEnded, readInPieces(text, 1448).step);  // a TCP segment's payload
}

TEST(PlainStreamReader, DeclinesWhatIsNotPlainWithoutClaimingAnEnd) {
  using Step = QZ::valuexml::PlainStreamReader::Step;
  const std::string item = "<item xsi:type=\"xsd:int\">1</item>";
  for (const std::string& text : {item + "<!-- </r> --></r>", item + " </r>", item + item + "</r>",
                                  " " + item + "</r>", "<item xsi:type=\"Array\"><!--x-->" + item + "</item></r>",
                                  nestedArrays(300, item) + "</r>"}) {
    for (std::size_t piece : {std::size_t(1), std::size_t(5), text.size()})
      EXPECT_EQ(Step::kDeclined, readInPieces(text, piece).step) << text << " in pieces of " << piece;
  }
  // Damaged writer output: wherever the reading still ends, it agrees.
  std::mt19937 random(13);
  const std::string alphabet = "<>/&#;\"'= x0aA:item";
  for (int i = 0; i < 1500 && !HasFailure(); ++i) {
    std::string text = written(randomArguments(random));
    const std::size_t at = random() % text.size();
    text[at] = alphabet[random() % alphabet.size()];
    expectStreamAgrees(text, "</r>");
  }
}

}  // namespace

