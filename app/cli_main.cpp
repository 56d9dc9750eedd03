#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "CommandLineTool.h"
#include "KeyFileStore.h"

int main(int argc, char* argv[])
{
#ifdef __GLIBC__
    // Each thread that allocates would reserve an arena of 64 MB of address space, and Pango starts
    // threads: under an address-space limit (ulimit -v) the reservations, not the use, would end the
    // program. Its work is done in one thread.
    mallopt(M_ARENA_MAX, 1);
#endif
    keylinker::DiskKeyFileStore store;
    return keylinker::runCommandLineProgram(argc, argv, store);
}
