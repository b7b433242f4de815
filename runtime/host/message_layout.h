// How the message box breaks its text into lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace host {

// Splits at line feeds, then wraps each line at spaces so that no line is longer than
// `columns` characters; a word longer than a line is cut. An empty text gives one
// empty line, and empty lines are kept.
std::vector<std::string> wrap_message_text(const std::string& text, size_t columns);

}  // namespace host
