// A console reporter that also keeps each benchmark's CPU time per iteration, so that a
// tool can print ratios between benchmarks measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // CPU time: steadier than wall time on a shared machine.
    for (const Run& run : runs)
      if (!run.error_occurred) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }

  // Time of a over time of b; -1 when either did not run.
  double ratio(const std::string& a, const std::string& b) const {
    auto x = times_.find(a), y = times_.find(b);
    if (x == times_.end() || y == times_.end() || y->second <= 0) return -1.0;
    return x->second / y->second;
  }

 private:
  std::map<std::string, double> times_;
};
