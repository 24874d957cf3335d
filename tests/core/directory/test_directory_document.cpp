// Reading the directory document: which items each page lists, and a document too long for
// the tag extractor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "directory/directory_document.h"

namespace nummora {
namespace {

std::string Category(const std::string& id, const std::string& name, int icon = 0) {
  return "<category><name>" + name + "</name><id>" + id + "</id><icon>" + std::to_string(icon) +
         "</icon></category>";
}
std::string Site(const std::string& category, const std::string& name, int id) {
  return "<website><category>" + category + "</category><name>" + name + "</name><desc>about " + name +
         "</desc><id>" + std::to_string(id) + "</id><icon>" + std::to_string(id % 4) + "</icon></website>";
}

const std::string kDocument =
    "<?xml version=\"1.0\"?><directory><egold>1001001</egold><categories>" + Category("1", "Metals", 2) +
    Category("128", "Too far") + Category("0", "Zero") + Category("abc", "Not a number") +
    Category(" 127", "Last", 5) + "</categories><websites>" + Site("3", "Host A", 105) +
    Site("1", "Coins", 102) + Site("3", "Host B", 106) + Site("x3", "Nowhere", 107) +
    Site("127", "Far", 108) + "</websites></directory>";

struct PageCase {
  int category;
  std::vector<std::string> captions;
  std::vector<int> numbers;
};

class DirectoryPage : public ::testing::TestWithParam<PageCase> {};

TEST_P(DirectoryPage, ListsTheItemsOfTheCategoryInDocumentOrder) {
  const DirectoryListing listing = ReadDirectory(kDocument, GetParam().category);
  EXPECT_EQ(listing.referral, "1001001");
  EXPECT_TRUE(listing.problem.empty());
  std::vector<std::string> captions;
  std::vector<int> numbers;
  for (const DirectoryItem& item : listing.items) {
    captions.push_back(item.caption);
    numbers.push_back(item.number);
  }
  EXPECT_EQ(captions, GetParam().captions);
  EXPECT_EQ(numbers, GetParam().numbers);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DirectoryPage,
    ::testing::Values(
        // Categories outside 1 to 127 (also a number that does not read, which is 0) are skipped.
        PageCase{0, {"Metals", "Last"}, {1, 127}},
        // A site shows only in its own category; "x3" reads as 0 and shows nowhere.
        PageCase{3, {"Host A", "Host B"}, {105, 106}}, PageCase{1, {"Coins"}, {102}},
        PageCase{127, {"Far"}, {108}}, PageCase{2, {}, {}}));

TEST(DirectoryDocument, ItemCarriesDescriptionAndIcon) {
  const DirectoryListing sites = ReadDirectory(kDocument, 1);
  ASSERT_EQ(sites.items.size(), 1u);
  EXPECT_EQ(sites.items[0].description, "about Coins");
  EXPECT_EQ(sites.items[0].icon, 2);
  EXPECT_EQ(ReadDirectory(kDocument, 0).items[1].icon, 5);
}

// The extractor reaches 65535 characters: a list that ends beyond them cannot be read. The
// listing says so instead of failing, and what lies before still reads.
TEST(DirectoryDocument, ListBeyondTheExtractorsReachIsReported) {
  std::string sites;
  while (sites.size() < 70000) sites += Site("1", "Site", 1);
  const std::string document = "<egold>9</egold><categories>" + Category("1", "Metals") +
                               "</categories><websites>" + sites + "</websites>";
  const DirectoryListing listing = ReadDirectory(document, 1);
  EXPECT_TRUE(listing.items.empty());
  EXPECT_NE(listing.problem.find("too long"), std::string::npos) << listing.problem;
  EXPECT_EQ(listing.referral, "9");
  const DirectoryListing categories = ReadDirectory(document, 0);
  EXPECT_TRUE(categories.problem.empty());
  ASSERT_EQ(categories.items.size(), 1u);
  EXPECT_EQ(categories.items[0].caption, "Metals");
}

}  // namespace
}  // namespace nummora
