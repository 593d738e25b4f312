#include "base/memory_trim.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace youran {

void trimMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace youran
