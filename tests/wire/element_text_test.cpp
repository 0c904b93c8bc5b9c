// Taking a result element's raw text straight from the receive buffer: where the end
// tag is found whatever markup stands inside, however the answer arrives cut up, and
// that the engine goes on reading the envelope after it.
#include "qzelementtext.h"
#include "qzvaluesoap.h"
#include "wirefixture.h"

#include <random>
#include <string>

using QZ::QZValue;
using QZ::wire::ElementEndFinder;

namespace {

// Content of an element, then its end tag and what follows in the answer.
const struct {
  const char* content;
  const char* after;
} kContents[] = {
    {"", "</r>"},
    {"text &lt;/b&gt;", "</r></x>"},
    {"<a/><b></b><c x='/>' y=\"</c>\">t</c>", "</r>"},
    {"<a><a><a/></a></a>", "</r>"},
    {"<!-- </r> <a> --><?pi </r> ?><![CDATA[</r><a>]]><!DOCTYPE a>", "</r>"},
    {"<!--> </r> --><?> </r> ?>", "</r>"},
    {"<a x=\">\"/><b x='a\"b>'>", "</r>"},  // an unclosed <b>: the element runs on
};

std::size_t findInPieces(const std::string& text, std::size_t pieceSize) {
  ElementEndFinder finder;
  std::string grown;
  for (std::size_t at = 0; at < text.size(); at += pieceSize) {
    grown.append(text, at, pieceSize);
    const std::size_t end = finder.find(grown);
    if (end != ElementEndFinder::npos) return end;
  }
  return ElementEndFinder::npos;
}

TEST(ElementEndFinder, FindsTheEndTagHoweverTheTextArrives) {
  for (const auto& sample : kContents) {
    const std::string content = sample.content;
    const std::string text = content + sample.after;
    const std::size_t expected =
        content.find("<b x='a") != std::string::npos ? ElementEndFinder::npos : content.size();
    for (std::size_t piece = 1; piece <= text.size(); ++piece)
      EXPECT_EQ(expected, findInPieces(text, piece)) << text << " in pieces of " << piece;
  }
}

// However random markup is cut, the finder's answer is the one for the whole text.
TEST(ElementEndFinder, PiecesDoNotChangeTheAnswer) {
  std::mt19937 random(5);
  const std::string alphabet = "<<<>>//!!--??[[]]CDATA\"'= a";
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    const std::size_t length = 1 + random() % 40;
    for (std::size_t j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
    ElementEndFinder whole;
    const std::size_t expected = whole.find(text);
    for (std::size_t piece = 1; piece <= 4; ++piece)
      ASSERT_EQ(expected, findInPieces(text, piece)) << text << " in pieces of " << piece;
  }
}

using ElementTextTest = WireTest;

// The result holds markup that a naive search for "</" or ">" would stop in.
const char kTrickyResult[] =
    "<item xsi:type=\"Array\"><!-- </qzbroker:return> --><item xsi:type=\"xsd:int\" a=\"/>\">7</item>"
    "<item xsi:type=\"xsd:string\">&#32;&lt;/x&gt;</item></item>";

void expectTrickyValue(const QZValue& result) {
  ASSERT_EQ(QZValue::TypeArray, result.getType());
  ASSERT_EQ(3u, result.getSize());  // the comment takes an index
  EXPECT_EQ(QZValue(7), result[1]);
  EXPECT_EQ(QZValue(std::string(" </x>")), result[2]);
}

TEST_F(ElementTextTest, ResultCutAnywhereIsReadAndTheEnvelopeAfterIt) {
  const std::string envelope = qztest::answerEnvelope("callTamsaResponse", kTrickyResult);
  for (std::size_t chunk : {1, 2, 3, 5, 64}) {
    SCOPED_TRACE(chunk);
    server.enqueue(qztest::httpChunkedAnswer(envelope, chunk));
    server.enqueue(qztest::httpAnswer(envelope));
    QZValue result;
    ASSERT_EQ(0, call("m", QZValue(), result));
    expectTrickyValue(result);
    QZ::wire::finishCall(soap);
    // The engine read the rest of the envelope and the connection is kept.
    result.clear();
    ASSERT_EQ(0, call("m", QZValue(), result));
    expectTrickyValue(result);
    QZ::wire::finishCall(soap);
  }
  EXPECT_EQ(1, server.connectionsAccepted());
}

TEST_F(ElementTextTest, ResultThatNeverEndsFails) {
  const std::string envelope = qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:int\">1</item>");
  const std::string open = envelope.substr(0, envelope.find("</qzbroker:return>")) + "<!-- ";
  server.enqueue(qztest::httpAnswer(open));
  server.enqueue(qztest::httpAnswer(envelope));
  QZValue result;
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue::TypeInvalid, result.getType());
  QZ::wire::finishCall(soap);
  ASSERT_EQ(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
}

std::string written(const QZValue& value) {
  std::string text;
  QZ::appendValueXml(value, text, false);
  return text;
}

// Results in the writer's plain form are read as they arrive; one that turns out not to
// be plain after a plain start is read again whole. Either way the value and the rest
// of the envelope come out as from an answer in one piece.
TEST_F(ElementTextTest, PlainResultsAreReadAsTheyArriveHoweverTheyAreCut) {
  QZValue floats;
  floats.arraySetSize(300);
  for (int i = 0; i < 300; ++i) floats[i] = static_cast<float>(i) * 0.25f - 3.0f;
  QZValue nested;
  nested.arraySetSize(3);
  nested[0] = floats;
  nested[1] = QZValue(std::string("a </x> & b"));
  nested[2].arraySetSize(0);
  const std::string plainItem = "<item xsi:type=\"xsd:int\">1</item>";
  const struct {
    std::string result;
    QZValue expected;
  } samples[] = {
      {written(floats), floats},
      {written(nested), nested},
      {plainItem + "<!-- </qzbroker:return> -->", QZValue(1)},  // plain, then a comment
      {"<item xsi:type=\"Array\">" + plainItem + " </item>", QZValue()},
  };
  for (const auto& sample : samples) {
    const std::string envelope = qztest::answerEnvelope("callTamsaResponse", sample.result);
    QZValue whole;
    server.enqueue(qztest::httpAnswer(envelope));
    ASSERT_EQ(0, call("m", QZValue(), whole)) << sample.result;
    QZ::wire::finishCall(soap);
    if (sample.expected.isValid()) {
      EXPECT_EQ(sample.expected, whole) << sample.result;
    }
    for (std::size_t chunk : {1, 3, 64, 4096}) {
      SCOPED_TRACE(chunk);
      server.enqueue(qztest::httpChunkedAnswer(envelope, chunk));
      QZValue result;
      ASSERT_EQ(0, call("m", QZValue(), result)) << sample.result;
      EXPECT_EQ(whole, result) << sample.result;
      QZ::wire::finishCall(soap);
    }
  }
  EXPECT_EQ(1, server.connectionsAccepted());
}

}  // namespace

