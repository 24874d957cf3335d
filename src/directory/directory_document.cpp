#include "directory/directory_document.h"

#include "common/errors.h"
#include "common/number_text.h"
#include "common/text_routines.h"

namespace nummora {

namespace {

int Number(std::string& element, const char* name) {
  return StrToIntDef(ExtractTag(element, name, false), 0);
}

void ReadCategories(std::string document, DirectoryListing& out) {
  std::string categories = ExtractTag(document, "categories", false);
  for (std::string element = ExtractTag(categories, "category", true); !element.empty();
       element = ExtractTag(categories, "category", true)) {
    DirectoryItem item;
    item.number = Number(element, "id");
    // Only numbers a category can have are listed; opening any other could not work.
    if (item.number < kMinCategory || item.number > kMaxCategory) continue;
    item.caption = ExtractTag(element, "name", false);
    item.icon = Number(element, "icon");
    out.items.push_back(std::move(item));
  }
}

void ReadWebsites(std::string document, int category, DirectoryListing& out) {
  std::string websites = ExtractTag(document, "websites", false);
  for (std::string element = ExtractTag(websites, "website", true); !element.empty();
       element = ExtractTag(websites, "website", true)) {
    if (Number(element, "category") != category) continue;
    DirectoryItem item;
    item.caption = ExtractTag(element, "name", false);
    item.description = ExtractTag(element, "desc", false);
    item.number = Number(element, "id");
    item.icon = Number(element, "icon");
    out.items.push_back(std::move(item));
  }
}

}  // namespace

DirectoryListing ReadDirectory(const std::string& document, int category) {
  DirectoryListing out;
  try {
    std::string whole = document;
    out.referral = ExtractTag(whole, "egold", false);
    if (category == 0)
      ReadCategories(document, out);
    else
      ReadWebsites(document, category, out);
  } catch (const ERangeError&) {
    out.problem = "The directory document is too long to be shown whole; " +
                  std::to_string(out.items.size()) + (out.items.size() == 1 ? " entry is" : " entries are") +
                  " shown.";
  }
  return out;
}

}  // namespace nummora
