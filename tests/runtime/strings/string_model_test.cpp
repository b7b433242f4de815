// Long seeded random runs of statements against a plain std::string model. Every step is
// checked against the model and the storage rules; the run is long and its strings big
// enough to compact and grow the heap, squeeze the list and pack the low-memory area
// many times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/strings/pack_number.h"
#include "runtime/strings/string_ops.h"
#include "runtime/strings/string_storage.h"
#include "tests/runtime/strings/string_test_values.h"

namespace rt {
namespace {

struct Value {
  StringValue* s;
  std::string model;
};

// ---- the model: the same operations on std::string, written from their definitions ----

std::string model_upper(std::string s) {
  for (char& c : s) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}
std::string model_lower(std::string s) {
  for (char& c : s) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}
std::string model_mid(const std::string& s, int64_t start, int64_t count, bool count_given) {
  const int64_t n = static_cast<int64_t>(s.size());
  int64_t first = std::max<int64_t>(start, 1);
  int64_t last = count_given ? start + count - 1 : n;  // inclusive, 1-based
  last = std::min(last, n);
  if (last < first) return "";
  return s.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}
std::string model_trim_left(const std::string& s) {
  const size_t p = s.find_first_not_of(' ');
  return p == std::string::npos ? "" : s.substr(p);
}
std::string model_trim_right(const std::string& s) {
  const size_t p = s.find_last_not_of(' ');
  return p == std::string::npos ? "" : s.substr(0, p + 1);
}
int32_t model_find(int64_t start, const std::string& s, const std::string& p, bool given) {
  if (!given) start = 1;
  if (s.empty()) return 0;
  if (start <= 0) {
    if (p.empty()) return 0;
    start = 1;
  }
  if (start > static_cast<int64_t>(s.size())) return 0;
  const size_t at = s.find(p, static_cast<size_t>(start - 1));
  return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
}
void model_overwrite(std::string& target, int64_t start, int64_t count, const std::string& source,
                     bool count_given) {
  const std::string src = source;  // the source may be the target itself
  if (!count_given) count = static_cast<int64_t>(src.size());
  for (int64_t k = 0; k < count; ++k) {
    const int64_t to = start - 1 + k;
    if (to < 0) continue;
    if (to >= static_cast<int64_t>(target.size()) || k >= static_cast<int64_t>(src.size())) break;
    target[static_cast<size_t>(to)] = src[static_cast<size_t>(k)];
  }
}
std::string fit(const std::string& s, size_t length, bool at_right) {
  if (s.size() >= length) return s.substr(0, length);
  const std::string pad(length - s.size(), ' ');
  return at_right ? pad + s : s + pad;
}
int model_order(const std::string& a, const std::string& b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// ---- the run -------------------------------------------------------------------------

class ScriptRun {
 public:
  explicit ScriptRun(uint64_t seed) : rng_(seed) {
    for (int i = 0; i < 48; ++i) vars_.push_back(new_variable(false));
    for (int i = 0; i < 3; ++i) low_vars_.push_back(new_low_variable());
    for (int i = 0; i < 3; ++i) {
      const int32_t length = static_cast<int32_t>(number(1, 24));
      auto* bytes = static_cast<char*>(local_storage_allocate(static_cast<size_t>(length)));
      std::memset(bytes, '.', static_cast<size_t>(length));
      fixed_.push_back({string_fixed_length(bytes, length), std::string(static_cast<size_t>(length), '.')});
    }
    for (int i = 0; i < 16; ++i) literals_.push_back(random_text(number(0, 3) == 0 ? 300 : 12));
    literals_.push_back("   ");
    literals_.push_back("");
  }

  // One statement in 250 is a long one of bursts, enough to fill the list on its own.
  void statement(int64_t step) {
    const int32_t mark = temporary_mark();
    const bool long_one = number(0, 249) == 0;
    const int64_t actions = long_one ? 350 : number(1, 12);
    for (int64_t a = 0; a < actions; ++a) {
      if (long_one) {
        burst();
      } else {
        action();
      }
      ASSERT_FALSE(error_pending()) << "step " << step;
      const std::string problem = check_string_storage_invariants();
      ASSERT_EQ(problem, "") << "step " << step;
    }
    release_temporaries(mark, nullptr);
    temps_.clear();
    ASSERT_EQ(temporary_mark(), mark) << "step " << step;
    for (const auto* group : {&vars_, &low_vars_, &fixed_}) {
      for (const Value& v : *group) ASSERT_EQ(text(v.s), v.model) << "step " << step;
    }
  }

 private:
  int64_t number(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng_); }

  // Mostly short strings with a long tail, some of them spaced and mixed-case.
  int64_t random_length() {
    const int64_t band = number(0, 9);
    if (band < 6) return number(0, 40);
    if (band < 9) return number(40, 1000);
    return number(1000, 8000);
  }
  std::string random_text(int64_t length) {
    static const char kBytes[] = "  aBzZ09\x80\xff-";
    std::string s(static_cast<size_t>(length), ' ');
    for (char& c : s) c = kBytes[number(0, sizeof kBytes - 2)];
    return s;
  }

  Value new_variable(bool temporary) {
    const std::string model = random_text(random_length());
    StringValue* s = string_new(static_cast<int32_t>(model.size()), temporary);
    std::memcpy(s->data, model.data(), model.size());
    return {s, model};
  }
  Value new_low_variable() {
    const std::string model = random_text(number(0, 200));
    StringValue* s = string_new_low_memory(static_cast<int32_t>(model.size()), false);
    std::memcpy(s->data, model.data(), model.size());
    return {s, model};
  }

  // An argument: a temporary of this statement (consumed when used) or a variable.
  struct Arg {
    Value value;
    bool temporary;
  };
  Arg pick() {
    const int64_t k = number(0, 9);
    if (k < 4 && !temps_.empty()) {
      const size_t i = static_cast<size_t>(number(0, static_cast<int64_t>(temps_.size()) - 1));
      Value v = take_temporary(i);
      return {v, true};
    }
    if (k < 6) {
      const std::string& lit = literals_[static_cast<size_t>(number(0, static_cast<int64_t>(literals_.size()) - 1))];
      return {{string_from_literal(lit.data(), static_cast<int32_t>(lit.size())), lit}, true};
    }
    return {*variable_slot(), false};
  }
  Value* variable_slot() {
    const int64_t k = number(0, 19);
    std::vector<Value>& group = k < 2 ? low_vars_ : k < 4 ? fixed_ : vars_;
    return &group[static_cast<size_t>(number(0, static_cast<int64_t>(group.size()) - 1))];
  }
  Value* find_variable(const StringValue* s) {
    for (auto* group : {&vars_, &low_vars_, &fixed_}) {
      for (Value& v : *group) if (v.s == s) return &v;
    }
    return nullptr;
  }

  // A string operation's result: the argument itself, the argument changed in place, or a
  // fresh temporary; a consumed temporary is gone, a variable never changes.
  void take_result(const Arg& arg, StringValue* result, const std::string& expected) {
    ASSERT_EQ(text(result), expected);
    if (expected == arg.value.model || is_plain_temporary(arg.value.s)) {
      ASSERT_EQ(result, arg.value.s);
    } else {
      ASSERT_TRUE(is_plain_temporary(result));
    }
    if (result->is_temporary) {
      temps_.push_back({result, expected});
    } else {
      ASSERT_EQ(find_variable(result)->model, expected);
    }
  }

  void unary(int64_t which) {
    Arg a = pick();
    const std::string& m = a.value.model;
    const int64_t n = static_cast<int64_t>(m.size());
    const int32_t x = static_cast<int32_t>(number(-3, n + 3));
    const int32_t y = static_cast<int32_t>(number(-3, n + 3));
    StringValue* s = a.value.s;
    switch (which) {
      case 0: return take_result(a, string_upper(s), model_upper(m));
      case 1: return take_result(a, string_lower(s), model_lower(m));
      case 2: return take_result(a, string_left(s, x), m.substr(0, static_cast<size_t>(std::clamp<int64_t>(x, 0, n))));
      case 3: {
        const int64_t kept = std::clamp<int64_t>(x, 0, n);
        return take_result(a, string_right(s, x), m.substr(static_cast<size_t>(n - kept)));
      }
      case 4: return take_result(a, string_mid(s, x, y, true), model_mid(m, x, y, true));
      case 5: return take_result(a, string_mid(s, x, 0, false), model_mid(m, x, 0, false));
      case 6: return take_result(a, string_trim_left(s), model_trim_left(m));
      default: return take_result(a, string_trim_right(s), model_trim_right(m));
    }
  }

  void concat() {
    Arg l = pick();
    Arg r = pick();
    StringValue* result = string_concat(l.value.s, r.value.s);
    ASSERT_EQ(text(result), l.value.model + r.value.model);
    if (r.value.model.empty() || l.value.model.empty()) {
      // One operand handed through, nothing released: both stay as they were.
      ASSERT_EQ(result, r.value.model.empty() ? l.value.s : r.value.s);
      if (l.temporary) temps_.push_back(l.value);
      if (r.temporary) temps_.push_back(r.value);
      return;
    }
    temps_.push_back({result, l.value.model + r.value.model});
  }

  void assign() {
    Value* destination = variable_slot();
    Arg source = pick();
    // The 64 KiB low-memory area holds only a few small strings.
    if (destination->s->in_low_memory && source.value.model.size() > 4000) destination = &vars_[0];
    const std::string value = source.value.model;
    string_assign(destination->s, source.value.s);
    destination->model = destination->s->is_fixed_length ? fit(value, destination->model.size(), false) : value;
    ASSERT_EQ(text(destination->s), destination->model);
  }

  void write_into_variable(int64_t which) {
    Value* target = variable_slot();
    Arg source = pick();
    const int64_t n = static_cast<int64_t>(target->model.size());
    const int32_t start = static_cast<int32_t>(number(-5, n + 2));
    const int32_t count = static_cast<int32_t>(number(-2, n + 2));
    const bool count_given = number(0, 1) == 1;
    const std::string source_model = source.value.model;
    if (which == 0) {
      string_overwrite(target->s, start, count, source.value.s, count_given);
      model_overwrite(target->model, start, count, source_model, count_given);
    } else {
      (which == 1 ? string_fill_left : string_fill_right)(target->s, source.value.s);
      target->model = fit(source_model, target->model.size(), which == 2);
    }
    ASSERT_EQ(text(target->s), target->model);
    if (source.temporary) temps_.push_back(source.value);  // not consumed: left for the statement's end
  }

  void measure() {
    Arg a = pick();
    Arg b = pick();
    const std::string& ma = a.value.model;
    const std::string& mb = b.value.model;
    const int order = model_order(ma, mb);
    ASSERT_EQ(string_equal(a.value.s, b.value.s), order == 0 ? -1 : 0);
    ASSERT_EQ(string_less(a.value.s, b.value.s), order < 0 ? -1 : 0);
    ASSERT_EQ(string_greater_equal(a.value.s, b.value.s), order >= 0 ? -1 : 0);
    ASSERT_EQ(string_length(a.value.s), static_cast<int32_t>(ma.size()));
    const int32_t start = static_cast<int32_t>(number(-2, static_cast<int64_t>(ma.size()) + 2));
    const bool given = number(0, 1) == 1;
    // Half the time the pattern is a piece of a itself, so that hits are common.
    Value pattern = b.value;
    if (number(0, 1) == 1) {
      const std::string piece = model_mid(ma, number(1, static_cast<int64_t>(ma.size()) + 1), number(0, 4), true);
      pattern = {string_new(static_cast<int32_t>(piece.size()), true), piece};
      std::memcpy(pattern.s->data, piece.data(), piece.size());
      temps_.push_back(pattern);
    }
    ASSERT_EQ(string_find(start, a.value.s, pattern.s, given), model_find(start, ma, pattern.model, given));
    if (!ma.empty()) {
      ASSERT_EQ(string_code(a.value.s), static_cast<uint8_t>(ma[0]));
    }
    // Numbers never consume their arguments.
    if (a.temporary) temps_.push_back(a.value);
    if (b.temporary) temps_.push_back(b.value);
  }

  void pack() {
    const int64_t v = static_cast<int64_t>(rng_());
    StringValue* image = pack_int64(v);
    ASSERT_EQ(unpack_int64(image), v);
    std::string model(8, '\0');
    std::memcpy(model.data(), &v, 8);
    temps_.push_back({image, model});
    const int32_t bits = static_cast<int32_t>(number(1, 64));
    ASSERT_EQ(unpack_bits_unsigned(pack_bits(static_cast<uint64_t>(v), bits), bits),
              static_cast<uint64_t>(v) & (bits == 64 ? ~0ull : (1ull << bits) - 1));
  }

  // Many small temporaries, two thirds released at once out of order: dead slots pile up.
  void burst() {
    const int64_t count = number(50, 400);
    for (int64_t i = 0; i < count; ++i) {
      const std::string model = random_text(number(0, 16));
      StringValue* s = string_new(static_cast<int32_t>(model.size()), true);
      std::memcpy(s->data, model.data(), model.size());
      temps_.push_back({s, model});
      if (number(0, 2) != 0) string_release(take_temporary(static_cast<size_t>(number(0, static_cast<int64_t>(temps_.size()) - 1))).s);
    }
  }

  // Removes a temporary from this statement's pool (order does not matter).
  Value take_temporary(size_t i) {
    Value v = temps_[i];
    temps_[i] = temps_.back();
    temps_.pop_back();
    return v;
  }

  void action() {
    const int64_t k = number(0, 99);
    if (k < 14) {
      temps_.push_back(new_variable(true));
    } else if (k < 20) {
      const std::string model = random_text(number(0, 3000));  // at most 12 live: the area holds them
      StringValue* s = string_new_low_memory(static_cast<int32_t>(model.size()), true);
      std::memcpy(s->data, model.data(), model.size());
      temps_.push_back({s, model});
    } else if (k < 40) {
      unary(number(0, 7));
    } else if (k < 52) {
      concat();
    } else if (k < 70) {
      assign();
    } else if (k < 76) {
      write_into_variable(number(0, 2));
    } else if (k < 84) {
      measure();
    } else if (k < 87) {
      pack();
    } else if (k < 91 && !temps_.empty()) {
      string_release(take_temporary(static_cast<size_t>(number(0, static_cast<int64_t>(temps_.size()) - 1))).s);
    } else if (k < 95) {
      Value& v = vars_[static_cast<size_t>(number(0, static_cast<int64_t>(vars_.size()) - 1))];
      string_release(v.s);
      v = new_variable(false);
    } else if (k < 98) {
      burst();
    } else {
      const int64_t n = number(0, 20);
      StringValue* s = string_spaces(static_cast<int32_t>(n));
      temps_.push_back({s, std::string(static_cast<size_t>(n), ' ')});
    }
  }

 public:
  // A temporary larger than the heap: the heap must grow (and move) under every variable.
  void outgrow_heap() {
    const int64_t size = string_storage_stats().heap_size;
    StringValue* big = string_repeat(static_cast<int32_t>(size + 1), 'g');
    ASSERT_EQ(big->length, size + 1);
    ASSERT_EQ(big->data[size], 'g');
    ASSERT_EQ(check_string_storage_invariants(), "");
  }

 private:
  std::mt19937_64 rng_;
  std::vector<Value> vars_;
  std::vector<Value> low_vars_;
  std::vector<Value> fixed_;
  std::vector<Value> temps_;
  std::vector<std::string> literals_;
};

TEST(StringModelTest, RandomStatementsMatchTheModelAndKeepTheStorageSound) {
  initialise_string_storage();
  ScriptRun run(0x5EED1234ABCDull);
  constexpr int64_t kStatements = 3000;
  for (int64_t step = 0; step < kStatements; ++step) {
    run.statement(step);
    if (HasFatalFailure()) return;
    if (step >= 2000 && step % 250 == 0) {
      const int32_t mark = temporary_mark();
      run.outgrow_heap();
      release_temporaries(mark, nullptr);
    }
  }
  const StringStorageStats st = string_storage_stats();
  std::printf("compactions %lld, heap growths %lld, list squeezes %lld, low-memory packs %lld, heap %lld bytes\n",
              static_cast<long long>(st.compactions), static_cast<long long>(st.heap_growths),
              static_cast<long long>(st.list_squeezes), static_cast<long long>(st.low_memory_packs),
              static_cast<long long>(st.heap_size));
  EXPECT_GE(st.compactions, 20);
  EXPECT_GE(st.heap_growths, 4);
  EXPECT_GE(st.list_squeezes, 5);
  EXPECT_GE(st.low_memory_packs, 5);
}

}  // namespace
}  // namespace rt
