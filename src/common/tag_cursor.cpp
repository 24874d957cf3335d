#include "common/tag_cursor.h"

#include <algorithm>
#include <utility>

#include "common/errors.h"

namespace nummora {

namespace {

// The 16-bit positions of ExtractTag.
constexpr std::size_t kMaxPosition = 65535;

// 1-based position of `needle` in `rest` at or after the 1-based `from` (0 taken as 1);
// 0 when missing. The same arithmetic as the search ExtractTag is built on.
std::size_t PosFrom(std::string_view needle, std::string_view rest, std::size_t from) {
  if (from == 0) from = 1;
  if (needle.empty() || from > rest.size()) return 0;
  const std::size_t found = rest.find(needle, from - 1);
  return found == std::string_view::npos ? 0 : found + 1;
}

void CheckPosition(std::size_t position) {
  if (position > kMaxPosition) throw ERangeError();
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether the byte after a tag name ends the name.
bool EndsName(char c) {
  return c == '>' || c == '/' || IsBlank(c);
}

}  // namespace

TagCursor::TagCursor(const std::string& text) : text_(text) {}

std::string_view TagCursor::Rest() const {
  return std::string_view(text_).substr(std::min(pos_, text_.size()));
}

TagCursor::Match TagCursor::Extract(std::string_view name) const {
  Match match;
  const std::string_view rest = Rest();
  if (rest.empty()) return match;

  const std::string opening = "<" + std::string(name);
  const std::string closing = "</" + std::string(name) + ">";
  const std::size_t a = PosFrom(opening, rest, 1);
  CheckPosition(a);
  const std::size_t b = PosFrom(">", rest, a + 1);
  CheckPosition(b);
  const std::size_t d = PosFrom(closing, rest, b);
  CheckPosition(d);

  // The text from b + 1 to d - 1; nothing when the closing tag is missing or adjacent.
  if (d > b + 1) match.result = std::string(rest.substr(b, d - b - 1));
  // Past the ">" at or after d; nothing at all when there is no ">" (f is 0).
  match.consumed = PosFrom(">", rest, d);
  return match;
}

std::string TagCursor::Take(std::string_view name) {
  Match match = Extract(name);
  pos_ += match.consumed;
  return std::move(match.result);
}

std::string TagCursor::Peek(std::string_view name) const {
  return Extract(name).result;
}

std::string_view TagCursor::Seek(std::initializer_list<std::string_view> names) {
  // One pass over the "<" bytes, comparing each with every name: linear in the text however
  // rare one of the names is (searching for each name apart would rescan for the rare one).
  // A tag with no ">" after it is never complete: stopping there would let a Take that
  // follows consume nothing, and a walk repeat it for ever.
  const std::string_view rest = Rest();
  const std::size_t lastClose = rest.rfind('>');
  for (std::size_t at = rest.find('<'); at != std::string_view::npos && at < lastClose;
       at = rest.find('<', at + 1)) {
    const std::string_view tail = rest.substr(at + 1);
    for (const std::string_view name : names) {
      if (name.empty() || tail.size() <= name.size() || tail.substr(0, name.size()) != name) continue;
      if (!EndsName(tail[name.size()])) continue;
      pos_ += at;
      return name;
    }
  }
  pos_ = text_.size();
  return {};
}

void TagCursor::SkipBlanks() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

std::string_view TagCursor::NextName() const {
  std::size_t at = pos_;
  while (at < text_.size() && IsBlank(text_[at])) ++at;
  if (at >= text_.size() || text_[at] != '<') return {};
  const std::size_t start = at + 1;
  if (start >= text_.size() || text_[start] == '/' || text_[start] == '?' || text_[start] == '!') return {};
  std::size_t stop = start;
  while (stop < text_.size() && !EndsName(text_[stop])) ++stop;
  return std::string_view(text_).substr(start, stop - start);
}

}  // namespace nummora
