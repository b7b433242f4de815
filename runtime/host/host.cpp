// Clocks, threads, floating point, signals, paths and the process exit.
#include "runtime/host/host.h"

#include <fpu_control.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace host {

namespace {

struct HostState {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::mutex hook_mutex;  // hooks are set by tests before the threads that read them run
  ClockHook clock_hook;
  CalendarHook calendar_hook;
  ExitHook exit_hook;
};

HostState& state() {
  static HostState s;
  return s;
}

// Captured before main so that the process clock starts with the process.
const bool g_clock_started = (state(), true);

}  // namespace

void start_thread(void (*body)()) { std::thread(body).detach(); }

void sleep_milliseconds(int64_t ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void yield_processor() { std::this_thread::yield(); }

int64_t process_milliseconds() {
  HostState& s = state();
  if (s.clock_hook) return s.clock_hook();
  auto elapsed = std::chrono::steady_clock::now() - s.start;
  return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

void set_clock_hook(ClockHook hook) {
  std::lock_guard<std::mutex> lock(state().hook_mutex);
  state().clock_hook = std::move(hook);
}

int64_t calendar_seconds() {
  HostState& s = state();
  if (s.calendar_hook) return s.calendar_hook();
  std::time_t now = std::time(nullptr);
  return now == static_cast<std::time_t>(-1) ? -1 : static_cast<int64_t>(now);
}

void set_calendar_hook(CalendarHook hook) {
  std::lock_guard<std::mutex> lock(state().hook_mutex);
  state().calendar_hook = std::move(hook);
}

bool local_time_of_day(int64_t calendar_second, LocalTime& out) {
  if (calendar_second < 0) return false;
  std::time_t t = static_cast<std::time_t>(calendar_second);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return false;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  return true;
}

void set_extended_precision() {
#if defined(__i386__) || defined(__x86_64__)
  fpu_control_t cw;
  _FPU_GETCW(cw);
  cw = (cw & ~_FPU_EXTENDED) | _FPU_EXTENDED;
  _FPU_SETCW(cw);
#endif
}

void install_arithmetic_fault_handler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(SIGFPE, &action, nullptr);
}

std::string executable_path() {
  std::vector<char> buffer(65536);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

bool change_directory(const std::string& path) { return !path.empty() && chdir(path.c_str()) == 0; }

std::string current_directory() {
  std::vector<char> buffer(65536);
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  return std::string(buffer.data());
}

void process_exit(int code) {
  ExitHook hook = state().exit_hook;
  if (hook) hook(code);
  std::_Exit(code);
}

void set_exit_hook(ExitHook hook) {
  std::lock_guard<std::mutex> lock(state().hook_mutex);
  state().exit_hook = std::move(hook);
}

}  // namespace host
