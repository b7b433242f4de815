// One command-line statement of the game, as the script runs it on the runtime's strings:
//   command = LEFT$(UCASE$(LTRIM$(RTRIM$(typed))), 12) + " !"
// then the statement's temporaries are released. The same chain on std::string is the
// yardstick; the report ends with the ratio of the two and the heap allocations per
// statement (counted by replacing malloc and operator new in this binary only).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "runtime/strings/string_ops.h"
#include "runtime/strings/string_storage.h"
#include "tools/ratio_reporter.h"

// ---- allocation counting ------------------------------------------------------------------

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace {
std::atomic<uint64_t> g_allocations{0};
}

extern "C" void* malloc(size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
extern "C" void free(void* p) { __libc_free(p); }

void* operator new(size_t n) {
  void* p = malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }

namespace {

constexpr char kTyped[] = "   use the crowbar on the monster   ";
constexpr char kSuffix[] = " !";

void runtime_chain(benchmark::State& state) {
  rt::initialise_string_storage();
  rt::StringValue* typed = rt::string_new(static_cast<int32_t>(std::strlen(kTyped)), false);
  std::memcpy(typed->data, kTyped, std::strlen(kTyped));
  rt::StringValue* command = rt::string_new(0, false);
  const int32_t mark = rt::temporary_mark();
  for (int i = 0; i < 1000; ++i) {  // reach the steady state before counting
    rt::string_assign(command, rt::string_concat(rt::string_left(rt::string_upper(rt::string_trim_left(
                                                                      rt::string_trim_right(typed))),
                                                                  12),
                                                 rt::string_from_literal(kSuffix, 2)));
    rt::release_temporaries(mark, nullptr);
  }
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    rt::string_assign(command, rt::string_concat(rt::string_left(rt::string_upper(rt::string_trim_left(
                                                                      rt::string_trim_right(typed))),
                                                                  12),
                                                 rt::string_from_literal(kSuffix, 2)));
    rt::release_temporaries(mark, nullptr);
    benchmark::DoNotOptimize(command->data);
  }
  state.counters["allocs_per_statement"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations());
  if (std::memcmp(command->data, "USE THE CROW !", 14) != 0) state.SkipWithError("wrong result");
}

void std_string_chain(benchmark::State& state) {
  const std::string typed = kTyped;
  std::string command;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string t = typed;
    t.erase(t.find_last_not_of(' ') + 1);
    t.erase(0, t.find_first_not_of(' '));
    std::transform(t.begin(), t.end(), t.begin(), [](char c) {
      return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    });
    command = t.substr(0, 12) + kSuffix;
    benchmark::DoNotOptimize(command.data());
  }
  state.counters["allocs_per_statement"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations());
}

BENCHMARK(runtime_chain);
BENCHMARK(std_string_chain);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("runtime chain / std::string chain (CPU time) = %.2f\n",
              reporter.ratio("runtime_chain", "std_string_chain"));
  benchmark::Shutdown();
  return 0;
}
