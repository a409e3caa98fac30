#include "platform/sync.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

void PlatformSleepMs(unsigned int ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    struct timespec remaining = {static_cast<time_t>(ms / 1000),
                                 static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

int PlatformThreadId(void) {
    // The id never changes for a thread; asking the kernel once per thread
    // keeps a system call off every log record.
    thread_local int id = static_cast<int>(syscall(SYS_gettid));
    return id;
}
