// Runs a fuzz harness without libFuzzer: every seed file given (files or folders), then a
// fixed number of mutants of each from a seeded generator. Deterministic, so it can stand
// in the ordinary test run with any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr int kMutantsPerSeed = 400;

struct Rng {
  uint64_t state;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }
};

std::vector<std::string> read_seeds(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (const auto& e : std::filesystem::directory_iterator(p)) files.push_back(e.path());
    } else {
      files.push_back(p);
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> seeds;
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

std::string mutate(std::string s, const std::vector<std::string>& seeds, Rng& rng) {
  static const char kInteresting[] = "#.,+-$*^_&!\\ 0159EeDdHhOo";
  int edits = 1 + static_cast<int>(rng.below(4));
  for (int i = 0; i < edits; ++i) {
    switch (rng.below(5)) {
      case 0:
        if (!s.empty()) s[rng.below(s.size())] = static_cast<char>(rng.next());
        break;
      case 1:
        s.insert(s.begin() + static_cast<std::ptrdiff_t>(rng.below(s.size() + 1)),
                 kInteresting[rng.below(sizeof kInteresting - 1)]);
        break;
      case 2:
        if (!s.empty()) s.erase(rng.below(s.size()), 1);
        break;
      case 3: {
        const std::string& other = seeds[rng.below(seeds.size())];
        s += other.substr(rng.below(other.size() + 1));
        break;
      }
      default:
        if (!s.empty()) s[rng.below(s.size())] ^= static_cast<char>(1u << rng.below(8));
        break;
    }
  }
  return s;
}

void run(const std::string& s) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> seeds = read_seeds(argc, argv);
  if (seeds.empty()) {
    std::fprintf(stderr, "no seed inputs\n");
    return 1;
  }
  Rng rng{0x9E3779B97F4A7C15ull};
  for (const std::string& seed : seeds) {
    run(seed);
    for (int i = 0; i < kMutantsPerSeed; ++i) run(mutate(seed, seeds, rng));
  }
  std::printf("%zu seeds, %zu inputs run\n", seeds.size(),
              seeds.size() * static_cast<size_t>(kMutantsPerSeed + 1));
  return 0;
}
