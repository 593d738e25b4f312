#pragma once

namespace youran {

// Makes the compiled-in skin pictures and the spinner font reachable under
// ":/". The resources live in a static library, so they must be pulled in
// explicitly; calling this more than once is harmless.
void initResources();

}  // namespace youran
