#include "common/comma_rule.h"

namespace nummora {

namespace {
bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}
}  // namespace

std::vector<std::string> SplitCommaItems(std::string_view text) {
  std::vector<std::string_view> views;
  SplitCommaItemViews(text, views);
  return std::vector<std::string>(views.begin(), views.end());
}

void SplitCommaItemViews(std::string_view text, std::vector<std::string_view>& items) {
  items.clear();
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool afterComma = false;  // a comma was just passed: an item follows, empty or not
  for (;;) {
    while (i < n && IsLineBreak(text[i])) ++i;
    if (i >= n) {
      if (afterComma) items.emplace_back();
      break;
    }
    const std::size_t start = i;
    char quote = 0;
    for (; i < n; ++i) {
      const char c = text[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == ',' || IsLineBreak(c)) break;
      if (c == '"' || c == '\'') quote = c;
    }
    items.push_back(text.substr(start, i - start));
    if (i >= n) break;
    afterComma = text[i] == ',';
    ++i;
  }
}

std::string ItemAt(const std::vector<std::string>& items, std::size_t index) {
  return index < items.size() ? items[index] : std::string();
}

std::string UnquoteField(std::string_view field) {
  return std::string(UnquotedView(field));
}

std::string_view UnquotedView(std::string_view field) {
  if (field.size() < 2) return std::string_view();
  return field.substr(1, field.size() - 2);
}

}  // namespace nummora
