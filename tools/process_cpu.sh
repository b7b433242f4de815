# Sourced by the measuring scripts.
# measure_process_cpu <pid> <seconds> <label>: prints the CPU time the process used over
# the next <seconds> of wall-clock time, as a share of one core.
measure_process_cpu() {
  local pid=$1 seconds=$2 label=$3 hz before after start end
  ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
  hz=$(getconf CLK_TCK)
  before=$(ticks)
  start=$(date +%s.%N)
  sleep "$seconds"
  after=$(ticks)
  end=$(date +%s.%N)
  awk -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" -v label="$label" \
    'BEGIN { printf "%s: %.2f s CPU in %.2f s wall = %.1f%% of one core\n", label, t / hz, e - s, 100 * t / hz / (e - s) }'
}
