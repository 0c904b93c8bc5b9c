// Writing and reading the XML form of three values, in MB/s of XML text:
//   FloatArray  an Array of 100,000 Floats
//   String      a String of 1 MiB of random bytes without NUL
//   Nested      a full Array tree 10 levels deep, 4 elements a level, Ints at the leaves
// Each Decode case (the reader as answers meet it: the writer's plain form read in one
// pass) stands beside DecodeByParser (the same text through the document parser, the
// way every other form is read) and TinyXmlParse (the parse alone, the floor of that
// way), so Decode/TinyXmlParse is what the one-pass reading gains over any reader
// built on the parser.
#include "qzvaluesoap.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <tinyxml.h>

#include <random>
#include <string>

namespace {

using QZ::QZValue;

// The allocator keeps what it was given instead of handing it back to the system after
// every round, so that each case measures its own work, not a fresh heap's page faults
// (which on a virtual machine cost as much as the parse, and fall differently on
// whichever case happens to free its memory last).
const bool kHeapKept = [] {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  return true;
}();

QZValue floatArray() {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> number(-1000.0f, 1000.0f);
  std::vector<float> floats(100000);
  for (float& f : floats) f = number(random);
  return QZValue(floats);
}

QZValue randomString() {
  std::mt19937 random(5);
  std::string bytes(1 << 20, '\0');
  for (char& byte : bytes) byte = static_cast<char>(1 + random() % 255);
  return QZValue(bytes);
}

QZValue nestedTree(int levels, int& next) {
  QZValue value;
  if (levels == 1) {
    value = next++;
    return value;
  }
  value.arraySetSize(4);
  for (int i = 0; i < 4; ++i) value[i] = nestedTree(levels - 1, next);
  return value;
}

QZValue nested() {
  int next = 0;
  return nestedTree(10, next);
}

struct Case {
  QZValue value;
  std::string text;  // as the reader is handed it: the item, then the answer's end tags
};

Case makeCase(QZValue value) {
  Case made{std::move(value), std::string()};
  QZ::appendValueXml(made.value, made.text, false);
  made.text += "</qzbroker:return></qzbroker:callTamsaResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
  return made;
}

const Case& caseOf(int which) {
  static const Case cases[] = {makeCase(floatArray()), makeCase(randomString()), makeCase(nested())};
  return cases[which];
}

void BM_Encode(benchmark::State& state, int which) {
  const Case& c = caseOf(which);
  std::size_t written = 0;
  for (auto _ : state) {
    std::string out;
    out.reserve(10000);
    QZ::appendValueXml(c.value, out, false);
    written = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
}

void BM_Decode(benchmark::State& state, int which) {
  const Case& c = caseOf(which);
  for (auto _ : state) {
    QZValue value;
    benchmark::DoNotOptimize(QZ::readValueFromText(c.text, value));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.text.size()));
}

void BM_DecodeByParser(benchmark::State& state, int which) {
  const Case& c = caseOf(which);
  for (auto _ : state) {
    QZValue value;
    benchmark::DoNotOptimize(QZ::readValueWithDocumentParser(c.text, value));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.text.size()));
}

void BM_TinyXmlParse(benchmark::State& state, int which) {
  const Case& c = caseOf(which);
  for (auto _ : state) {
    TiXmlDocument document;
    document.Parse(c.text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    benchmark::DoNotOptimize(document.FirstChild());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.text.size()));
}

}  // namespace

// Case by case, so that each Decode sits next to its parse floor.
#define QZ_WIRE_CASE(name, which)                                                   \
  BENCHMARK_CAPTURE(BM_Encode, name, which)->Unit(benchmark::kMillisecond);         \
  BENCHMARK_CAPTURE(BM_Decode, name, which)->Unit(benchmark::kMillisecond);         \
  BENCHMARK_CAPTURE(BM_DecodeByParser, name, which)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(BM_TinyXmlParse, name, which)->Unit(benchmark::kMillisecond)

QZ_WIRE_CASE(FloatArray, 0);
QZ_WIRE_CASE(String, 1);
QZ_WIRE_CASE(Nested, 2);
