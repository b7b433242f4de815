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

}  // namespace rt
