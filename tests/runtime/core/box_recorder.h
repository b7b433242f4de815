// Answers the message box for a test and keeps what it was asked to show.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/host/host.h"

namespace frame_test {

struct ShownBox {
  std::string text;
  std::string caption;
  host::MessageBoxButtons buttons;
};

class BoxRecorder {
 public:
  explicit BoxRecorder(host::MessageBoxAnswer answer) : answer_(answer) {
    host::set_message_box_hook([this](const std::string& text, const std::string& caption,
                                      host::MessageBoxButtons buttons) {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back({text, caption, buttons});
      return answer_;
    });
  }
  ~BoxRecorder() { host::set_message_box_hook(nullptr); }

  std::vector<ShownBox> boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  std::mutex mutex_;
  std::vector<ShownBox> boxes_;
  host::MessageBoxAnswer answer_;
};

// For death tests: the child writes each box to stderr on one line, line feeds shown
// as "~", so the parent can match it.
inline void report_boxes_on_stderr(host::MessageBoxAnswer answer) {
  host::set_message_box_hook([answer](const std::string& text, const std::string& caption,
                                      host::MessageBoxButtons buttons) {
    std::string flat = text;
    for (char& c : flat) if (c == '\n') c = '~';
    std::fprintf(stderr, "BOX caption=[%s] text=[%s] buttons=%s\n", caption.c_str(),
                 flat.c_str(), buttons == host::MessageBoxButtons::Ok ? "OK" : "YESNO");
    return answer;
  });
}

// Waits (bounded) for a condition another thread makes true.
template <typename Condition>
bool eventually(Condition condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace frame_test
