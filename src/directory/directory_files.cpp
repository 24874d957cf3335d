#include "directory/directory_files.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "net/http_client.h"
#include "platform/atomic_file.h"

namespace nummora {

bool DirectoryIsFresh(const std::filesystem::path& folder, std::filesystem::file_time_type now) {
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(folder / kDirectoryDocument, ec);
  if (ec) return false;
  for (const char* strip : {kCategoryStrip, kSiteStrip})
    if (!std::filesystem::exists(folder / strip, ec) || ec) return false;
  // Whole days between the two times, either way round.
  const auto apart = now > written ? now - written : written - now;
  return std::chrono::duration_cast<std::chrono::hours>(apart).count() / 24 < kDirectoryMaxAgeDays;
}

FetchResult FetchIntoFile(HttpClient& client, const std::string& url, const std::filesystem::path& file) {
  const HttpResult answer = client.Get(url);
  if (!answer.Succeeded) return {false, answer.Message};
  try {
    WriteFileAtomically(file.string(), answer.Body);
  } catch (const std::exception& e) {
    return {false, e.what()};
  }
  return {true, {}};
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace nummora
