#pragma once

namespace youran {

// Raises the calling thread, once, to the priority a thread feeding a sound
// device needs: a real-time slot just below the sound server's where that
// is allowed, else the best nice value the process may take. Four busy
// processes on two cores starve an ordinary thread.
void raiseSoundThread();

}  // namespace youran
