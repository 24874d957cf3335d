// Timing of the profile store: the cipher over 1 MiB, and building and reading the document of
// the largest profile (127 accounts, 128 contacts).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "profile/cipher.h"
#include "profile/document.h"
#include "profile/profile_file.h"

namespace {

using namespace nummora;

constexpr size_t kMiB = 1 << 20;
const ProfileFileOptions kKey{0x1234ABCDu, nullptr};

std::string TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "nummora-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

ProfileModel LargestProfile() {
  ProfileModel m;
  for (int i = 0; i < 127; ++i) {
    TAccount a;
    a.Type = i % 2;
    a.ID = (i % 2 ? "U" : "") + std::to_string(1000000 + i);
    a.Name = "Account " + std::to_string(i);
    a.Password = "pass phrase " + std::to_string(i);
    a.Gold = i * 0.125;
    a.Silver = 12.5;
    a.LRusd = 123456789;
    a.Updated = EncodeDateTime(2020, 1, 2, 3, 4, 5);
    a.BatchDate = EncodeDate(2020, 1, 1);
    a.Refresh = 30;
    m.AppendAccount(a);
  }
  for (int i = 0; i < 128; ++i) {
    m.AddContact(TContact{"Contact " + std::to_string(i), std::to_string(500 + i),
                          "U" + std::to_string(700 + i), "c" + std::to_string(i) + "@example.com",
                          "a comment of moderate length"});
  }
  m.RatesText = "x, 500.5, 8.1, 900, 300";
  return m;
}

void BM_CipherApply1MiB(benchmark::State& state) {
  std::string data(kMiB, 'a');
  for (auto _ : state) {
    ProfileCipher cipher("password", 0x1234ABCDu);
    cipher.Apply(data.data(), data.size());
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kMiB));
}
BENCHMARK(BM_CipherApply1MiB);

void BM_EncipherToFile1MiB(benchmark::State& state) {
  const std::string dir = TempFolder();
  const std::string path = dir + "/bench.nmr";
  const std::string text(kMiB, 'a');
  for (auto _ : state) EncipherToFile(path, text, "password", kKey);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kMiB));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_EncipherToFile1MiB)->Unit(benchmark::kMillisecond);

void BM_DecipherFile1MiB(benchmark::State& state) {
  const std::string dir = TempFolder();
  const std::string path = dir + "/bench.nmr";
  EncipherToFile(path, std::string(kMiB, 'a'), "password", kKey);
  for (auto _ : state) benchmark::DoNotOptimize(DecipherFile(path, "password", kKey));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kMiB));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_DecipherFile1MiB)->Unit(benchmark::kMillisecond);

void BM_BuildLargestDocument(benchmark::State& state) {
  const ProfileModel m = LargestProfile();
  const FormatSettings regional = UsEnglishFormatSettings();
  size_t size = 0;
  for (auto _ : state) {
    std::string text = BuildProfileDocument(m, true, regional);
    size = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_BuildLargestDocument)->Unit(benchmark::kMicrosecond);

void BM_LoadLargestDocument(benchmark::State& state) {
  const FormatSettings regional = UsEnglishFormatSettings();
  const std::string text = BuildProfileDocument(LargestProfile(), true, regional);
  for (auto _ : state) {
    ProfileModel m;
    LoadProfile(m, text, regional);
    benchmark::DoNotOptimize(m.AccountCount());
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_LoadLargestDocument)->Unit(benchmark::kMicrosecond);

// The whole save and the whole opening as the program does them: document plus file.
void BM_SaveLargestProfile(benchmark::State& state) {
  const std::string dir = TempFolder();
  ProfileModel m = LargestProfile();
  const FormatSettings regional = UsEnglishFormatSettings();
  for (auto _ : state) SaveProfile(m, "password", dir + "/p.nmr", true, regional, kKey);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveLargestProfile)->Unit(benchmark::kMillisecond);

void BM_OpenLargestProfile(benchmark::State& state) {
  const std::string dir = TempFolder();
  ProfileModel source = LargestProfile();
  const FormatSettings regional = UsEnglishFormatSettings();
  SaveProfile(source, "password", dir + "/p.nmr", true, regional, kKey);
  for (auto _ : state) {
    ProfileModel m;
    LoadProfile(m, DecipherFile(dir + "/p.nmr", "password", kKey), regional);
    benchmark::DoNotOptimize(m.AccountCount());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_OpenLargestProfile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
