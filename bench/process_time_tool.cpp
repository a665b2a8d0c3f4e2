// process_time_tool PROGRAM [ARGS...]: runs PROGRAM (an absolute path) with
// its output thrown away and prints "wall cpu peak_rss_kb system" for it:
// wall, cpu (user + system) and system time in seconds to the microsecond. /usr/bin/time prints
// hundredths, which is a tenth of a whole Convert of the small sets.
// Exits with the program's status (127 when it could not be started).
#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    double start = Now();
    pid_t child = fork();
    if (child < 0) return 127;
    if (child == 0) {
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, 1);
            dup2(quiet, 2);
        }
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return 127;
    double wall = Now() - start;
    std::printf("%.6f %.6f %ld %.6f\n", wall, Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss,
                Seconds(usage.ru_stime));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
