#include "base/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ with glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tirvelo {

void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace tirvelo
