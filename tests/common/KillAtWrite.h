#pragma once

#include <signal.h>
#include <unistd.h>

#include "FileIo.h"

namespace testing_support {

// Makes this process stop dead (SIGKILL, as a power cut stops it) just before its n-th file
// write from now. For a child process (ChildProcess), whose end then reads 128 + SIGKILL.
inline void killAtWrite(long n) {
    static long writesLeft = 0;
    writesLeft = n;
    base::fileio::setWriteHook([] {
        if (--writesLeft == 0) ::kill(::getpid(), SIGKILL);
    });
}

}  // namespace testing_support
