#include "runtime/host/message_layout.h"

namespace host {

namespace {

void wrap_one_line(const std::string& line, size_t columns, std::vector<std::string>& out) {
  size_t start = 0;
  while (line.size() - start > columns) {
    size_t cut = line.rfind(' ', start + columns);
    if (cut == std::string::npos || cut <= start) {
      out.push_back(line.substr(start, columns));  // one long word: cut it
      start += columns;
      continue;
    }
    out.push_back(line.substr(start, cut - start));
    start = cut + 1;
  }
  out.push_back(line.substr(start));
}

}  // namespace

std::vector<std::string> wrap_message_text(const std::string& text, size_t columns) {
  if (columns == 0) columns = 1;
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    wrap_one_line(text.substr(start, end == std::string::npos ? std::string::npos : end - start),
                  columns, lines);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace host
