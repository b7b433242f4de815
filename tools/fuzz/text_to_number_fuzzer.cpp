// Fuzzes text_to_number. Besides the sanitizers it checks two properties of the scan:
// blanks are ignored (a leading space changes nothing) and the scan stops at the first
// byte that does not fit (an 'x' appended changes nothing).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/strings/number_text.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

bool same(const rt::bytes::NumberScan& a, const rt::bytes::NumberScan& b) {
  return a.overflow == b.overflow && std::memcmp(&a.value, &b.value, 10) == 0;
}

rt::bytes::NumberScan scan(const std::string& s) {
  return rt::bytes::text_to_number(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  rt::bytes::NumberScan r = scan(text);
  check(!std::isnan(r.value));
  if (r.overflow) check(r.value == 0);
  check(same(r, scan(" " + text)));
  check(same(r, scan(text + "x")));
  return 0;
}
