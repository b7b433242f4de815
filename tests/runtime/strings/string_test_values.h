// Building and reading string values in tests.
#pragma once

#include <string>

#include "runtime/strings/string_storage.h"

namespace rt {

inline std::string text(const StringValue* s) {
  return std::string(reinterpret_cast<const char*>(s->data), static_cast<size_t>(s->length));
}

// A heap string holding value: a variable, or a plain temporary.
inline StringValue* make(const std::string& value, bool temporary) {
  StringValue* s = string_new(static_cast<int32_t>(value.size()), temporary);
  value.copy(reinterpret_cast<char*>(s->data), value.size());
  return s;
}

}  // namespace rt
