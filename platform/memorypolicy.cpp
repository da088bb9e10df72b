#include "platform/memorypolicy.h"

#include "platform/logging.h"

#include <malloc.h>

void MemoryPolicy::apply()
{
    // A fixed threshold also turns off glibc's adjusting of it (and of the
    // trim threshold) after each free.
    const bool set = mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes) == 1;
    qCDebug(lcApp) << "heap: buffers from" << kOwnMappingBytes
                   << "bytes mapped on their own:" << (set ? "set" : "refused");
}
