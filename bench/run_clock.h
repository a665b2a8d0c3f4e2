#pragma once
// Wall and processor time of a stretch of a benchmark, and the least of
// several rounds.
#include <chrono>
#include <ctime>

struct Clock {
    double wall, cpu;
    static Clock Now() {
        timespec cpu_time;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu_time);
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        return {wall, double(cpu_time.tv_sec) + double(cpu_time.tv_nsec) * 1e-9};
    }
};

struct Best {
    double wall = 1e30, cpu = 1e30;
    void Keep(const Clock& start) {
        Clock end = Clock::Now();
        if (end.wall - start.wall < wall) wall = end.wall - start.wall;
        if (end.cpu - start.cpu < cpu) cpu = end.cpu - start.cpu;
    }
};
