// kel_bench_peak_of COMMAND ARGS...: runs the command with standard output on /dev/null and
// prints its peak resident memory in KiB. A small process of its own, so that the child's peak
// holds none of a large parent's pages (a child counts those it had before its exec).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, STDOUT_FILENO) < 0) {
            _exit(127);
        }
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) {
        return 1;
    }
    std::printf("%ld %d\n", usage.ru_maxrss, WEXITSTATUS(status));
    return 0;
}
