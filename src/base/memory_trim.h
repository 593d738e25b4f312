#pragma once

namespace youran {

// Gives freed heap memory back to the system where the C library can.
void trimMemory();

}  // namespace youran
