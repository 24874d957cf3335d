#pragma once
// Reading the merchant directory document: the referral code of the e-gold sign-up link, the
// category page and the web sites of one category. The document comes from the vendor's web
// service and is read with the tag extractor, so any text must read without a crash: a part
// that lies too far into the document for the extractor ends the listing where it is, and the
// result says so.
#include <string>
#include <vector>

namespace nummora {

// Category numbers a directory item may carry; the category page lists nothing else.
inline constexpr int kMinCategory = 1;
inline constexpr int kMaxCategory = 127;

// One entry of the list: a category (number = category number) or a web site (number = site
// number used in the redirect link). `icon` is the picture's position in its strip.
struct DirectoryItem {
  int number = 0;
  std::string caption;
  std::string description;
  int icon = 0;
};

struct DirectoryListing {
  std::string referral;  // the "egold" element
  std::vector<DirectoryItem> items;
  // Empty, or why the listing stops short (a part beyond what the extractor can reach).
  std::string problem;
};

// The list for category `category`: 0 gives the category page (each "category" element with
// a number from 1 to 127; others are skipped), any other number the "website" elements whose
// "category" equals it, in document order. Numbers that do not read are 0. Never throws.
DirectoryListing ReadDirectory(const std::string& document, int category);

}  // namespace nummora
