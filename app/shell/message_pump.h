#pragma once

namespace octolume {

// Dispatches the messages already waiting in this thread's queue, once, and returns:
// the program does this after showing its window, before a long engine call and at
// exit, so the screen is up to date at those points. A quit message met on the way
// is put back for the main loop.
void ProcessPendingMessages();

} // namespace octolume
