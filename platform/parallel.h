#pragma once
// Running many independent pieces of work on a few threads.
#include <cstdint>
#include <functional>

// The number of threads the machine runs at once (at least 1).
int32_t ProcessorCount();

// Calls work(k) once for every k from 0 to count - 1 on `threads` threads
// (the calling thread among them; at most count). Items are taken in
// increasing order as threads come free, so item k starts no later than any
// item after it. Returns when every item is done.
void RunInParallel(int32_t count, int32_t threads, const std::function<void(int32_t)>& work);
