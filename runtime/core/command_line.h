// The start-up's handling of the executable's folder, the command line and the
// hand-over that the chaining service leaves for a program it starts.
#pragma once

#include <optional>
#include <string>

namespace rt {

// The folder of an executable path: scanning back from the end, a '\' or '/' ends the
// folder (cut at the slash) and a ':' ends it just behind the colon ("C:m.exe" gives
// "C:"). A path without a separator gives "". A file directly under the root gives "/",
// so that the change of directory still succeeds.
std::string executable_folder(const std::string& path);

// The arguments after the program name joined with single spaces; no quoting is added
// or removed.
std::string join_command_line(int argc, const char* const* argv);

// The chaining suffix: "(unique-tag:=/@*$+-)" and a 12-character file name that starts
// with "chain" and ends with ".tmp", at the very end of the command line.
inline constexpr char kChainTag[] = "(unique-tag:=/@*$+-)";
inline constexpr size_t kChainSuffixLength = 32;
inline constexpr size_t kChainFileNameLength = 12;

// The hand-over file named by the suffix, or nothing when the command line carries no
// suffix. A name with a path separator or a NUL is not a hand-over file: it could make
// start-up read and delete some other file.
std::optional<std::string> chain_handover_file(const std::string& command_line);

// The command line without the suffix and the space that separated it.
std::string strip_chain_suffix(const std::string& command_line);

// Reads the working directory saved at the start of the hand-over file (up to the first
// NUL or line end), then deletes the file. Nothing when the file cannot be read.
std::optional<std::string> take_chain_handover(const std::string& file_name);

}  // namespace rt
