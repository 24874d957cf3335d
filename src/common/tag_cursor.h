#pragma once
// A read position in one reply text, for walking its repeated elements in linear time.
//
// The consuming ExtractTag copies whatever is left of the text on every call, so a walk over n
// elements costs n times the length of the text. A TagCursor keeps one reference to the text
// and an offset into it instead: taking an element only moves the offset. Take and Peek behave
// exactly as ExtractTag on the text from the cursor on (the same prefix match, the same quirks
// for missing tags), so a reader can swap one for the other without changing what it reads. In
// particular their 16-bit positions count from the cursor: a tag more than 65535 bytes past the
// cursor throws ERangeError, however far into the text the cursor already is. One difference:
// a consuming ExtractTag keeps at most 10000000 bytes of what is left, silently dropping the
// rest of a larger reply; the cursor always walks to the end of the text.
//
// Seek, SkipBlanks and NextName add what a walk over a reply needs beyond that: finding the
// nearest of several elements by exact name (a Receipt or an Error, whichever comes first) and
// telling which element starts next, with white space between elements allowed.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nummora {

class TagCursor {
 public:
  // The cursor starts at the beginning of `text`, which must outlive it and stay unchanged.
  explicit TagCursor(const std::string& text);
  TagCursor(std::string&&) = delete;

  // ExtractTag(rest, name, true) where rest is the text from the cursor: the content of the
  // next element whose opening tag starts with "<" + name, the cursor moving past the ">" that
  // ends its closing tag. Empty at the end of the walk. Throws ERangeError (cursor unchanged)
  // when the opening tag, its ">" or the closing tag lies beyond byte 65535 from the cursor.
  std::string Take(std::string_view name);

  // ExtractTag(rest, name, false): the same result, the cursor stays where it is.
  std::string Peek(std::string_view name) const;

  // Moves the cursor to the "<" of the nearest opening tag, at or after the cursor, whose name
  // is exactly one of `names` (the name followed by ">", "/" or white space, so "Receipt" does
  // not stop at "<ReceiptId>", and a ">" must come after it somewhere), and returns that
  // name. Returns an empty view and moves the cursor to the end when there is none. A Take of
  // the name found always moves the cursor, so a Seek and Take walk ends. No 16-bit limit: the
  // search runs to the end.
  std::string_view Seek(std::initializer_list<std::string_view> names);

  // Moves the cursor over white space (blank, tab, CR, LF).
  void SkipBlanks();

  // The name of the element whose opening tag starts at the cursor once white space is
  // skipped (the cursor itself does not move); empty when the next byte there is not "<"
  // followed by a name (end of text, plain text, a closing tag, "<?" or "<!").
  std::string_view NextName() const;

  // Offset of the cursor in the text, counted in bytes from its start.
  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // The text from the cursor on.
  std::string_view Rest() const;

 private:
  struct Match {
    std::string result;
    std::size_t consumed = 0;  // bytes a consuming step moves the cursor
  };
  Match Extract(std::string_view name) const;

  const std::string& text_;
  std::size_t pos_ = 0;
};

}  // namespace nummora
