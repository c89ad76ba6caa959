// Loaded into the editor by bench/peer.py (LD_PRELOAD) to time a Save that does not wait for the disk,
// next to vim with 'nofsync': the calls that flush a file or a folder return at once, as if the disk
// had taken everything. Only the benchmark loads it; the editor itself always flushes.
#include <unistd.h>

extern "C" int fsync(int) {
    return 0;
}

extern "C" int fdatasync(int) {
    return 0;
}
