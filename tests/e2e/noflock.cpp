// Loaded into the real program by an end-to-end test (LD_PRELOAD): every
// flock() fails as on a file system without locks (NFS without its lock
// service), so the program falls back to the lock file in its folder.
#include <cerrno>

extern "C" int flock(int, int)
{
    errno = ENOLCK;
    return -1;
}
