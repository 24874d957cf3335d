#pragma once
// The comma rule shared by the readers of comma-separated answers: the e-gold history export
// (one line at a time) and the metal-rates answer (the whole text).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nummora {

// Splits a text into items, left to right. An item ends at a comma, a CR or an LF; CR and LF
// at the start of an item are skipped. A double quote or an apostrophe opens a quoted run that
// only the same character closes; inside it commas and line breaks do not split, and the quote
// characters stay in the item. Empty items count like any other: two commas in a row give an
// empty item, and a comma at the end gives an empty last item. Line breaks at the very end add
// no item; an empty text gives no items.
std::vector<std::string> SplitCommaItems(std::string_view text);
// As SplitCommaItems, into views of `text` in `items` (cleared first): a reader of many lines
// reuses one vector and copies no text.
void SplitCommaItemViews(std::string_view text, std::vector<std::string_view>& items);

// The item at `index` (counting from 0), or an empty text when there are fewer items.
std::string ItemAt(const std::vector<std::string>& items, std::size_t index);

// Drops the first and the last character of a field, whatever they are (a field of one
// character or none becomes empty).
std::string UnquoteField(std::string_view field);
// As UnquoteField, as a view of `field`.
std::string_view UnquotedView(std::string_view field);

}  // namespace nummora
