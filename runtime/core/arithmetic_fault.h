// The arithmetic-fault signal ends the program with the "Division by zero" box.
#pragma once

namespace rt {

void arithmetic_fault_handler(int signal_number);

}  // namespace rt
