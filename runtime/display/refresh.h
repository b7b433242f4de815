// The refresh loop and frame composition.
#pragma once

namespace rt {

void clear_frame_ring();      // start-up
void refresh_thread_main();   // never returns; the exit sequence ends the process
void compose_frame();
void request_display();
void enable_auto_display();

}  // namespace rt
