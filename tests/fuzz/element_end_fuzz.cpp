// Fuzz entry of the finder of an element's end tag in its content, which the client
// uses on the answer as it arrives. An input gives the content as it is, or describes
// well-formed content built from markup that a naive search would stop in (end tags
// inside comments, CDATA sections, processing instructions and attribute values),
// followed by the end tag and more bytes; its first bytes also say where to cut the
// content into pieces. Besides surviving every input, the finder must keep promises:
// - the end it finds is the same whether the content comes whole, in the pieces the
//   input chose, or one byte at a time;
// - in described content it finds the end tag that was written after it;
// - where the content before an unmatched "</" is well-formed markup (character data,
//   elements with matching end tags, comments, CDATA sections, processing
//   instructions), the end it finds is that "</", as a plain scan of such markup says.
#include "qzelementtext.h"

#include "fuzz_input.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using QZ::wire::ElementEndFinder;
constexpr std::size_t npos = ElementEndFinder::npos;

void fail(const char* what, const std::string& content, std::size_t expected, std::size_t found) {
  std::fprintf(stderr, "invariant broken: %s\nexpected %zd, found %zd\ncontent: %s\n", what,
               static_cast<std::ptrdiff_t>(expected), static_cast<std::ptrdiff_t>(found),
               content.c_str());
  std::abort();
}

// The finder's answer when the text grows by the pieces that end at `ends`.
std::size_t findInPieces(const std::string& text, const std::vector<std::size_t>& ends) {
  ElementEndFinder finder;
  std::string grown;
  for (std::size_t end : ends) {
    grown.append(text, grown.size(), end - grown.size());
    const std::size_t found = finder.find(grown);
    if (found != npos) return found;
  }
  return npos;
}

// A plain scan of well-formed markup, written for clarity rather than speed.
class ReferenceScan {
public:
  explicit ReferenceScan(const std::string& text) : fText(text) {}

  // The offset of the "</" that closes the content, or npos when the content before
  // it is not well-formed markup or there is none.
  std::size_t contentEnd() {
    std::vector<std::string> open;
    while ((fAt = fText.find('<', fAt)) != npos) {
      if (startsWith("</")) {
        if (open.empty()) return fAt;
        fAt += 2;
        if (name() != open.back()) return npos;
        open.pop_back();
        spaces();
        if (!skip(">")) return npos;
      } else if (startsWith("<!--")) {
        if (!skipPast("-->", 4)) return npos;
      } else if (startsWith("<![CDATA[")) {
        if (!skipPast("]]>", 9)) return npos;
      } else if (startsWith("<?")) {
        fAt += 2;
        if (name().empty() || !skipPast("?>", 0)) return npos;
      } else {
        ++fAt;
        const std::string tag = name();
        if (tag.empty() || !attributes()) return npos;
        if (skip("/>")) continue;
        if (!skip(">")) return npos;
        open.push_back(tag);
      }
    }
    return npos;
  }

private:
  static bool nameByte(char c, bool first) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' ||
           byte == ':' || byte >= 0x80 ||
           (!first && ((byte >= '0' && byte <= '9') || byte == '-' || byte == '.'));
  }
  static bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  bool startsWith(const char* literal) const {
    return fText.compare(fAt, std::char_traits<char>::length(literal), literal) == 0;
  }
  bool skip(const char* literal) {
    if (!startsWith(literal)) return false;
    fAt += std::char_traits<char>::length(literal);
    return true;
  }
  // Past the first `terminator` that starts at least `opener` bytes on.
  bool skipPast(const char* terminator, std::size_t opener) {
    const std::size_t at = fText.find(terminator, fAt + opener);
    if (at == npos) return false;
    fAt = at + std::char_traits<char>::length(terminator);
    return true;
  }
  std::string name() {
    const std::size_t from = fAt;
    while (fAt < fText.size() && nameByte(fText[fAt], fAt == from)) ++fAt;
    return fText.substr(from, fAt - from);
  }
  std::size_t spaces() {
    const std::size_t from = fAt;
    while (fAt < fText.size() && space(fText[fAt])) ++fAt;
    return fAt - from;
  }
  // ( S Name S? = S? quoted value )* S?
  bool attributes() {
    while (spaces() > 0) {
      if (name().empty()) return true;
      spaces();
      if (!skip("=")) return false;
      spaces();
      if (fAt == fText.size() || (fText[fAt] != '"' && fText[fAt] != '\'')) return false;
      const char quote = fText[fAt];
      const std::size_t close = fText.find(quote, fAt + 1);
      if (close == npos || fText.find('<', fAt + 1) < close) return false;
      fAt = close + 1;
    }
    return true;
  }

  const std::string& fText;
  std::size_t fAt = 0;
};

// Builds well-formed content from the input's choices; each piece holds text that
// looks like markup where the finder must not take it for markup.
class MarkupWriter {
public:
  explicit MarkupWriter(qzfuzz::FuzzInput& input) : fInput(input) {}

  // The content, then "</r>" and the rest of the input; `end` is where "</r>" starts.
  std::string write(std::size_t& end) {
    std::vector<const char*> open;
    for (std::size_t pieces = fInput.choice(64); pieces > 0; --pieces) {
      switch (fInput.choice(7)) {
        case 0:
          open.push_back(name());
          fText += "<" + std::string(open.back()) + attributes() + pick(kStartEnds);
          break;
        case 1:
          if (open.empty()) break;
          fText += "</" + std::string(open.back()) + pick(kEndEnds);
          open.pop_back();
          break;
        case 2: fText += "<" + std::string(name()) + attributes() + pick(kEmptyEnds); break;
        case 3: fText += pick(kTexts); break;
        case 4: fText += "<!--" + std::string(pick(kCommentTexts)) + "-->"; break;
        case 5: fText += "<![CDATA[" + std::string(pick(kCdataTexts)) + "]]>"; break;
        default: fText += "<?pi" + std::string(pick(kInstructionTexts)) + "?>"; break;
      }
    }
    while (!open.empty()) {
      fText += "</" + std::string(open.back()) + ">";
      open.pop_back();
    }
    end = fText.size();
    return fText + "</r>" + fInput.rest();
  }

private:
  template <std::size_t N>
  const char* pick(const char* const (&choices)[N]) { return choices[fInput.choice(N)]; }
  const char* name() { return pick(kNames); }
  std::string attributes() {
    std::string text;
    for (std::size_t count = fInput.choice(3); count > 0; --count)
      text += std::string(" ") + pick(kNames) + pick(kAttributeValues);
    return text;
  }

  static constexpr const char* kNames[] = {"a", "item", "qz:b", "x-y.z"};
  static constexpr const char* kStartEnds[] = {">", " >", "\n>"};
  static constexpr const char* kEndEnds[] = {">", " >", "\t>"};
  static constexpr const char* kEmptyEnds[] = {"/>", " />"};
  static constexpr const char* kAttributeValues[] = {
      "=\"\"", "=\">\"", "='/>'", "=\"</r>\"", " = 'a\"b>'", "=\"a'b/\"", "='<!--'"};
  static constexpr const char* kTexts[] = {"x", "&lt;/r&gt;", " >/ ", "]]", "'\"", "?>", "-->", "\n"};
  static constexpr const char* kCommentTexts[] = {"", " </r> ", "<a>", "<![CDATA[", "?>", "-", "->"};
  static constexpr const char* kCdataTexts[] = {"", "</r>", "<!--", "]]", "]>", "<a/>", "]"};
  static constexpr const char* kInstructionTexts[] = {"", " </r> ", " <a>", " ?", " >", "?"};

  qzfuzz::FuzzInput& fInput;
  std::string fText;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qzfuzz::FuzzInput input(data, size);
  const bool described = input.flag();
  std::vector<std::size_t> gaps(input.choice(16));
  for (std::size_t& gap : gaps) gap = 1 + input.byte();
  std::size_t written = npos;
  const std::string content = described ? MarkupWriter(input).write(written) : input.rest();

  ElementEndFinder whole;
  const std::size_t found = whole.find(content);

  std::vector<std::size_t> chosen;
  for (std::size_t gap : gaps) {
    const std::size_t end = (chosen.empty() ? 0 : chosen.back()) + gap;
    if (end >= content.size()) break;
    chosen.push_back(end);
  }
  chosen.push_back(content.size());
  const std::size_t inChosenPieces = findInPieces(content, chosen);
  if (inChosenPieces != found) fail("pieces changed the end found", content, found, inChosenPieces);

  std::vector<std::size_t> bytes;
  for (std::size_t end = 1; end <= content.size(); ++end) bytes.push_back(end);
  const std::size_t byteByByte = findInPieces(content, bytes);
  if (byteByByte != found) fail("single bytes changed the end found", content, found, byteByByte);

  if (described && found != written)
    fail("the end tag after described content was not found", content, written, found);

  const std::size_t reference = ReferenceScan(content).contentEnd();
  if (reference != npos && reference != found)
    fail("the end of well-formed content was not found", content, reference, found);
  return 0;
}
