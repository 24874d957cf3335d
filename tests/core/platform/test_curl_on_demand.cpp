#include <curl/curl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/net_test_util.h"

namespace nummora {
namespace {

bool CurlIsMapped() {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find("libcurl.so") != std::string::npos;
}

size_t Append(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// The program starts without libcurl and its libraries; the first call opens it, and arguments
// of every kind (long, pointer, function, 64-bit size) reach it.
TEST(CurlOnDemandTest, OpenedOnFirstUseAndArgumentsReachIt) {
  EXPECT_FALSE(CurlIsMapped());
  ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK);
  EXPECT_TRUE(CurlIsMapped());

  test::NetTempDir dir;
  { std::ofstream(dir / "body.txt") << "twelve bytes"; }
  CURL* curl = curl_easy_init();
  ASSERT_NE(curl, nullptr);
  std::string body;
  const std::string url = "file://" + (dir / "body.txt").string();
  EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_URL, url.c_str()), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(4)), CURLE_OK);
  EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
  EXPECT_EQ(body, "ve bytes");
  curl_off_t size = 0;
  EXPECT_EQ(curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &size), CURLE_OK);
  EXPECT_EQ(size, 8);
  EXPECT_STREQ(curl_easy_strerror(CURLE_FILESIZE_EXCEEDED), "Maximum file size exceeded");
  curl_easy_cleanup(curl);
}

}  // namespace
}  // namespace nummora
