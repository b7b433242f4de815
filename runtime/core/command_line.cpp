#include "runtime/core/command_line.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace rt {

std::string executable_folder(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;) {
    char c = path[i];
    if (c == ':') return path.substr(0, i + 1);
    if (c == '\\' || c == '/') return i == 0 ? std::string(1, c) : path.substr(0, i);
  }
  return {};
}

std::string join_command_line(int argc, const char* const* argv) {
  std::string joined;
  if (argv == nullptr) return joined;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) break;
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  return joined;
}

namespace {

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::optional<std::string> chain_handover_file(const std::string& command_line) {
  if (command_line.size() < kChainSuffixLength || !ends_with(command_line, ".tmp")) return {};
  std::string suffix = command_line.substr(command_line.size() - kChainSuffixLength);
  if (suffix.compare(0, sizeof kChainTag - 1, kChainTag) != 0) return {};
  std::string name = suffix.substr(kChainSuffixLength - kChainFileNameLength);
  if (name.compare(0, 5, "chain") != 0) return {};
  if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) return {};
  return name;
}

std::string strip_chain_suffix(const std::string& command_line) {
  if (command_line.size() < kChainSuffixLength) return command_line;
  std::string rest = command_line.substr(0, command_line.size() - kChainSuffixLength);
  // Only the separating space goes; a user's own last character stays.
  if (!rest.empty() && rest.back() == ' ') rest.pop_back();
  return rest;
}

std::optional<std::string> take_chain_handover(const std::string& file_name) {
  std::string content;
  {
    std::ifstream in(file_name, std::ios::binary);
    if (!in) return {};
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::remove(file_name.c_str());
  size_t end = content.find_first_of(std::string("\0\r\n", 3));
  if (end != std::string::npos) content.resize(end);
  return content;
}

}  // namespace rt
