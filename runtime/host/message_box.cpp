// The message box. Without an X display the box is written to stderr.
#include <cstdio>
#include <mutex>

#include "runtime/host/host.h"

namespace host {

namespace {
std::mutex g_hook_mutex;
MessageBoxHook g_hook;
}  // namespace

void set_message_box_hook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(g_hook_mutex);
  g_hook = std::move(hook);
}

MessageBoxAnswer message_box(const std::string& text, const std::string& caption,
                             MessageBoxButtons buttons) {
  MessageBoxHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hook_mutex);
    hook = g_hook;
  }
  if (hook) return hook(text, caption, buttons);
  std::fprintf(stderr, "[%s]\n%s\n", caption.c_str(), text.c_str());
  return buttons == MessageBoxButtons::Ok ? MessageBoxAnswer::Ok : MessageBoxAnswer::No;
}

}  // namespace host
