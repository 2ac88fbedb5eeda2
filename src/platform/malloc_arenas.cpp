#include "platform/malloc_arenas.h"

#include <malloc.h>

namespace zorbex {

void LimitMallocArenas() { ::mallopt(M_ARENA_MAX, 2); }

void ReturnFreeMemory() { ::malloc_trim(0); }

}  // namespace zorbex
