// Timing services: the millisecond clock, the time of day and the waits.
#pragma once

#include <cstdint>

namespace rt {

int64_t elapsed_milliseconds();
void initialise_time_of_day();  // start-up
double read_timer(double accuracy, bool accuracy_given);
void delay_seconds(double seconds);
void limit_rate(double passes_per_second);
void sleep_until_key(int32_t seconds, bool seconds_given);
void sleep_milliseconds(int64_t milliseconds);

// Milliseconds since local midnight, 0 to 86,399,999, from the time base captured at
// start-up. Shared by read_timer and the refresh loop's emulated tick count.
uint32_t milliseconds_since_midnight();

// The limiter's last frame boundary (0: no frame seen yet). Tests reset it between cases.
double limit_rate_boundary();
void reset_limit_rate();

}  // namespace rt
