#pragma once
// Root made to obey file permissions, for the tests of a folder or file that
// cannot be written: without CAP_DAC_OVERRIDE a 0555 folder binds root as it
// binds a user. For where root can neither mount a read-only disk nor become
// another user (a chroot, a container whose user namespace maps root alone).

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lumetto::prove {

// Drops, for this process, what lets root override permissions: from the
// effective set, and from the permitted one too, which access(2) asks for
// root. True when permissions now hold (a user has nothing to drop).
inline bool senzaprivilegi() {
    if (::geteuid() != 0) return true;
    __user_cap_header_struct h{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct d[2]{};
    if (::syscall(SYS_capget, &h, d) != 0) return false;
    for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        d[cap / 32].effective &= ~(1u << (cap % 32));
        d[cap / 32].permitted &= ~(1u << (cap % 32));
        d[cap / 32].inheritable &= ~(1u << (cap % 32));
    }
    return ::syscall(SYS_capset, &h, d) == 0;
}

}  // namespace lumetto::prove
