// The host's lock toggles and held modifiers.
#include <mutex>

#include "runtime/host/host.h"

namespace host {

namespace {
std::mutex g_hook_mutex;
HostKeyStateHook g_hook;
}  // namespace

void set_host_key_state_hook(HostKeyStateHook hook) {
  std::lock_guard<std::mutex> lock(g_hook_mutex);
  g_hook = std::move(hook);
}

HostKeyState query_host_key_state() {
  HostKeyStateHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hook_mutex);
    hook = g_hook;
  }
  if (hook) return hook();
  return {};
}

}  // namespace host
