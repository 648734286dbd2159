// The saving child of the save tests: opens a presentation and saves it under another name.
//   save_child [--no-space | --size-limit BYTES] IN OUT
// --no-space: once IN is read, every write to a file fails as on a full disk (ENOSPC), by a
//   seccomp filter, so no mount and no privilege is needed and the superuser is bound too.
// --size-limit: no file may grow past BYTES (RLIMIT_FSIZE), so a write fails part-way.
// Exit 0 when saved; 2 with the message on standard error when the save was refused; 77 when
// the fault cannot be set up on this machine; 1 for a usage error.

#include "engine/presentation/Presentation.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <vector>

namespace {

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
constexpr unsigned kArch = 0;
#endif

// Every call that writes file data to a descriptor above standard error fails with ENOSPC;
// everything else (reads, creating, renaming and removing files, messages on stderr) goes on.
bool failFileWritesWithNoSpace() {
    if (kArch == 0) return false;
    const std::vector<long> writers = {
        SYS_write, SYS_pwrite64, SYS_writev, SYS_pwritev,
#ifdef SYS_pwritev2
        SYS_pwritev2,
#endif
        SYS_fallocate, SYS_copy_file_range, SYS_sendfile};
    std::vector<sock_filter> program;
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    // A call made under another ABI than the one the filter knows is refused outright.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
    // Each writer jumps over the remaining comparisons and the "allow" to the descriptor check.
    for (size_t i = 0; i < writers.size(); ++i) {
        const auto over = static_cast<unsigned char>(writers.size() - i);
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(writers[i]), over, 0));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    // The low word of the first argument, the descriptor (both architectures are little-endian).
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])));
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, 2, 1, 0));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOSPC & SECCOMP_RET_DATA)));
    sock_fprog fprog{static_cast<unsigned short>(program.size()), program.data()};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
    return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &fprog) == 0;
}

bool limitFileSize(long long bytes) {
    // Past the limit a write fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> files;
    bool noSpace = false;
    long long sizeLimit = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-space") == 0) {
            noSpace = true;
        } else if (std::strcmp(argv[i], "--size-limit") == 0 && i + 1 < argc) {
            sizeLimit = std::atoll(argv[++i]);
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2) return 1;
    try {
        const auto presentation = engine::Presentation::open(QString::fromLocal8Bit(files[0]));
        if (noSpace && !failFileWritesWithNoSpace()) {
            std::fprintf(stderr, "cannot fail writes here: %s\n", std::strerror(errno));
            return 77;
        }
        if (sizeLimit >= 0 && !limitFileSize(sizeLimit)) {
            std::fprintf(stderr, "cannot limit file sizes here: %s\n", std::strerror(errno));
            return 77;
        }
        presentation.save(QString::fromLocal8Bit(files[1]));
    } catch (const engine::DocumentError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 2;
    }
    return 0;
}
