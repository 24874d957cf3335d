#pragma once
// The directory's three files in the cache folder: the document and the two picture strips,
// when they count as fresh, and how a download replaces them.
#include <chrono>
#include <filesystem>
#include <string>

namespace nummora {

class HttpClient;

inline constexpr const char* kDirectoryDocument = "directory.xml";
inline constexpr const char* kCategoryStrip = "directory.nm1";
inline constexpr const char* kSiteStrip = "directory.nm2";
// Sizes of the icons in the two strips.
inline constexpr int kCategoryIconSize = 50;
inline constexpr int kSiteIconSize = 16;
// A document this many whole days old is fetched again.
inline constexpr int kDirectoryMaxAgeDays = 6;

// The three downloads: the path on the vendor's web service and the file it goes to.
struct DirectoryDownload {
  const char* path;
  const char* file;
};
inline constexpr DirectoryDownload kDirectoryDownloads[] = {
    {"/services/directory.php?reg=False", kDirectoryDocument},
    {"/services/categories.bmp", kCategoryStrip},
    {"/services/pages.bmp", kSiteStrip},
};

// Whether the directory in `folder` may be shown without a download at `now`: the document
// exists with a readable modification time less than six whole days away from `now`, and both
// strips exist.
bool DirectoryIsFresh(const std::filesystem::path& folder, std::filesystem::file_time_type now);

struct FetchResult {
  bool ok = false;
  std::string message;  // why it failed
};

// GETs `url` and, only when the whole answer arrived, puts it in place of `file` (a new file
// renamed over the old one, readable by the owner only). A failed or cut-short download leaves
// the old file as it was.
FetchResult FetchIntoFile(HttpClient& client, const std::string& url, const std::filesystem::path& file);

// The whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace nummora
