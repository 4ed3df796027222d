// Fills a directory (the ntfs-3g mount of a fresh volume) with the benchmark
// tree: nested folders under a few believable top-level folders, files with
// lognormal sizes (most small, a few multi-megabyte ones), a dozen
// extensions, some hard links and some sparse files. The content is
// deterministic for a given seed.
//
//   fill_bench_tree DIR FILES [SEED]
//
// Prints the number of folders, files, extra hard-link names and sparse files
// it made, and the bytes it wrote, on one line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kTops[] = {"Users", "Program Files", "Windows", "projects", "data"};
constexpr const char* kWords[] = {"alpha",   "backup", "cache", "docs",    "export", "fonts", "gallery",
                                  "history", "images", "jobs",  "kernel",  "logs",   "media", "notes",
                                  "output",  "photos", "queue", "reports", "src",    "temp",  "updates",
                                  "vendor",  "work",   "年度",  "资料",    "照片",   "项目"};
constexpr const char* kExtensions[] = {".txt", ".dll",  ".jpg", ".png",  ".cpp", ".h",   ".log", ".dat", ".mp3",
                                       ".pdf", ".docx", ".xml", ".json", ".js",  ".exe", ".JPG", ""};

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "fill_bench_tree: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void MakeDir(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Die("mkdir " + path);
}

// Writes `size` bytes of a repeating non-zero pattern (zeros could be kept as holes).
void WriteFile(const std::string& path, std::int64_t size, const std::vector<char>& pattern) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Die("create " + path);
  std::int64_t left = size;
  while (left > 0) {
    std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(pattern.size())));
    ssize_t w = write(fd, pattern.data(), n);
    if (w <= 0) Die("write " + path);
    left -= w;
  }
  if (close(fd) != 0) Die("close " + path);
}

// A file that is mostly hole: `size` bytes long with one 4 KiB block of data
// in the middle (or none at all when `with_data` is false).
void WriteSparse(const std::string& path, std::int64_t size, bool with_data, const std::vector<char>& pattern) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Die("create " + path);
  if (ftruncate(fd, size) != 0) Die("truncate " + path);
  if (with_data && pwrite(fd, pattern.data(), 4096, size / 2 / 4096 * 4096) != 4096) Die("pwrite " + path);
  if (close(fd) != 0) Die("close " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: fill_bench_tree DIR FILES [SEED]\n");
    return 2;
  }
  const std::string root = argv[1];
  const long files = std::atol(argv[2]);
  std::mt19937_64 rng(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20240307);
  std::vector<char> pattern(1 << 20);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>('a' + i % 26);

  // Folders: a tree grown by attaching each new folder under a random
  // existing one, biased towards recent (deeper) folders, about one folder
  // per 20 files.
  std::vector<std::string> folders;
  for (const char* top : kTops) {
    folders.push_back(root + "/" + top);
    MakeDir(folders.back());
  }
  const long folder_target = std::max<long>(static_cast<long>(std::size(kTops)), files / 20);
  while (static_cast<long>(folders.size()) < folder_target) {
    std::size_t n = folders.size();
    std::size_t parent = rng() % 3 == 0 ? rng() % n : n - 1 - rng() % std::min<std::size_t>(n, 40);
    if (std::count(folders[parent].begin(), folders[parent].end(), '/') > 12) parent = rng() % std::size(kTops);
    char name[96];
    std::snprintf(name, sizeof name, "%s %zu", kWords[rng() % std::size(kWords)], n);
    folders.push_back(folders[parent] + "/" + name);
    MakeDir(folders.back());
  }

  std::lognormal_distribution<double> small_size(std::log(900.0), 1.6);
  std::vector<std::string> made;
  made.reserve(static_cast<std::size_t>(files));
  long sparse = 0;
  std::int64_t bytes = 0;
  for (long i = 0; i < files; ++i) {
    const std::string& folder = folders[rng() % folders.size()];
    const char* ext = kExtensions[rng() % std::size(kExtensions)];
    char name[96];
    std::snprintf(name, sizeof name, "%s_%06ld%s", kWords[rng() % std::size(kWords)], i, ext);
    std::string path = folder + "/" + name;
    if (i % 1500 == 7) {  // sparse: 200 of them for 300,000 files
      WriteSparse(path, static_cast<std::int64_t>(1 + rng() % 64) << 20, i % 3000 == 7, pattern);
      ++sparse;
    } else {
      std::int64_t size;
      if (i % 10000 == 3) {
        size = static_cast<std::int64_t>(2 + rng() % 30) << 20;  // a few multi-megabyte files
      } else {
        size = std::min<std::int64_t>(static_cast<std::int64_t>(small_size(rng)), 4 << 20);
      }
      WriteFile(path, size, pattern);
      bytes += size;
    }
    made.push_back(std::move(path));
  }

  // Hard links: about one file in a hundred gets a second name elsewhere.
  long links = 0;
  for (long i = 0; i < files / 100; ++i) {
    const std::string& target = made[rng() % made.size()];
    char name[64];
    std::snprintf(name, sizeof name, "/link_%06ld.lnk", i);
    std::string link_path = folders[rng() % folders.size()] + name;
    if (link(target.c_str(), link_path.c_str()) != 0) Die("link " + link_path);
    ++links;
  }
  std::printf("folders %zu files %ld links %ld sparse %ld bytes %lld\n", folders.size(), files, links, sparse,
              static_cast<long long>(bytes));
  return 0;
}
