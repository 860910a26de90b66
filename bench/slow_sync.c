/* Makes every fsync and fdatasync take 4 ms more, as a slow disk does: preloaded into the logger
 * by bench/publish_flood.sh. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <time.h>

static void slow(void) {
    const struct timespec pause = {0, 4 * 1000 * 1000};
    nanosleep(&pause, 0);
}

int fsync(int fd) {
    static int (*real)(int) = 0;
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    slow();
    return real(fd);
}

int fdatasync(int fd) {
    static int (*real)(int) = 0;
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    slow();
    return real(fd);
}
