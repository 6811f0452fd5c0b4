// The sorted directory listing of 10,000 entries against what a C programmer
// would write instead: readdir into an array, then qsort with strcasecmp.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/dir_listing.h"
#include "platform/temp_folder.h"

namespace {

constexpr int kEntries = 10000;

// A folder of 10,000 empty files (shuffled names, 1 in 4 matching "*.png"),
// made once, made current, and removed at exit.
struct ListingFolder {
  std::string dir;
  std::vector<std::string> files;
  ListingFolder() {
    char tmp[1024];
    qvl_os_temp_folder(tmp, sizeof tmp);
    std::string templ = std::string(tmp) + "qvl-bench-list.XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) return;
    dir = templ;
    for (int i = 0; i < kEntries; ++i) {
      unsigned h = static_cast<unsigned>(i) * 2654435761u;
      files.push_back(dir + "/F" + std::to_string(h % 100000) + "_" + std::to_string(i) +
                      (i % 4 == 0 ? ".png" : ".dat"));
      if (FILE* f = std::fopen(files.back().c_str(), "w")) std::fclose(f);
    }
  }
  ~ListingFolder() {
    for (const std::string& f : files) unlink(f.c_str());
    if (!dir.empty()) rmdir(dir.c_str());
  }
};

void listing_folder() {
  static ListingFolder folder;
  if (chdir(folder.dir.c_str()) != 0) std::perror("chdir");
}

void BM_ListDir(benchmark::State& state) {
  listing_folder();
  BasicString pattern(state.range(0) ? "*.png" : "*.*");
  for (auto _ : state) {
    BasicArray<BasicString> out;
    benchmark::DoNotOptimize(qvl_file_list_dir(pattern, out));
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

int compare_names(const void* a, const void* b) {
  return strcasecmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

void BM_ReaddirQsort(benchmark::State& state) {
  listing_folder();
  for (auto _ : state) {
    std::vector<char*> names;
    DIR* dir = opendir(".");
    while (dirent* e = readdir(dir)) names.push_back(strdup(e->d_name));
    closedir(dir);
    std::qsort(names.data(), names.size(), sizeof(char*), compare_names);
    benchmark::DoNotOptimize(names.data());
    for (char* n : names) std::free(n);
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

}  // namespace

BENCHMARK(BM_ListDir)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaddirQsort)->Unit(benchmark::kMillisecond);
