// Timing of the profile store: the legacy cipher over 1 MiB, building and reading the document of
// the largest profile (127 accounts, 128 contacts), and the whole save and opening of that profile
// in both file formats. The strong format's login pays the key derivation with the default
// parameters (docs/profile-format.md); its saves reuse the key kept for the run.
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
#include "profile/profile_open.h"

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
    AccountRecord a;
    a.Type = i % 2 == 0 ? AccountType::Egold : AccountType::LibertyReserve;
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
    m.AddContact(ContactRecord{"Contact " + std::to_string(i), std::to_string(500 + i),
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
  ProfileKey key("password", ProfileFormat::kLegacy);
  for (auto _ : state) SaveProfile(m, key, dir + "/p.nmr", true, regional, kKey);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveLargestProfile)->Unit(benchmark::kMillisecond);

void BM_OpenLargestProfile(benchmark::State& state) {
  const std::string dir = TempFolder();
  ProfileModel source = LargestProfile();
  const FormatSettings regional = UsEnglishFormatSettings();
  ProfileKey key("password", ProfileFormat::kLegacy);
  SaveProfile(source, key, dir + "/p.nmr", true, regional, kKey);
  for (auto _ : state) {
    ProfileModel m;
    LoadProfile(m, DecipherFile(dir + "/p.nmr", "password", kKey), regional);
    benchmark::DoNotOptimize(m.AccountCount());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_OpenLargestProfile)->Unit(benchmark::kMillisecond);

// The key derivation alone, with the default parameters.
void BM_StrongKeyDerivation(benchmark::State& state) {
  for (auto _ : state) {
    auto key = DerivedProfileKey::WithNewSalt("password", 0x1234ABCDu, kDefaultKdfParams);
    benchmark::DoNotOptimize(key.get());
  }
  state.counters["memory_MiB"] = kDefaultKdfParams.memory_kib / 1024.0;
  state.counters["passes"] = kDefaultKdfParams.passes;
}
BENCHMARK(BM_StrongKeyDerivation)->Unit(benchmark::kMillisecond)->Iterations(5);

// A login: the file opened with the password (key derivation included) and the document read.
void BM_LoginStrongLargestProfile(benchmark::State& state) {
  const std::string dir = TempFolder();
  ProfileModel source = LargestProfile();
  const FormatSettings regional = UsEnglishFormatSettings();
  ProfileKey key("password", ProfileFormat::kStrong);
  SaveProfile(source, key, dir + "/p.nmr", true, regional, kKey);
  for (auto _ : state) {
    ProfileOpenResult opened = OpenProfileFile(dir + "/p.nmr", "password", kKey);
    if (opened.status != ProfileOpenStatus::kOpened) state.SkipWithError("not opened");
    ProfileModel m;
    LoadProfile(m, opened.text.str(), regional);
    benchmark::DoNotOptimize(m.AccountCount());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoginStrongLargestProfile)->Unit(benchmark::kMillisecond)->Iterations(5);

// A save during the run: the key kept since the login, a fresh nonce, the atomic write.
void BM_SaveStrongLargestProfile(benchmark::State& state) {
  const std::string dir = TempFolder();
  ProfileModel m = LargestProfile();
  const FormatSettings regional = UsEnglishFormatSettings();
  ProfileKey key("password", ProfileFormat::kStrong);
  SaveProfile(m, key, dir + "/p.nmr", true, regional, kKey);  // derives the key
  for (auto _ : state) SaveProfile(m, key, dir + "/p.nmr", true, regional, kKey);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveStrongLargestProfile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
