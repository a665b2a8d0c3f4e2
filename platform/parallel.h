#pragma once
// Running many independent pieces of work on a few threads.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// The number of threads the machine runs at once (at least 1).
int32_t ProcessorCount();

// Calls work(k) once for every k from 0 to count - 1 on `threads` threads
// (the calling thread among them; at most count). Items are taken in
// increasing order as threads come free, so item k starts no later than any
// item after it. Returns when every item is done.
void RunInParallel(int32_t count, int32_t threads, const std::function<void(int32_t)>& work);

// Keeps at most `count` threads at once between Take and Give. Work whose
// items end in a long wait that needs no processor (flushes to the disk)
// runs on more threads than there are places, and each item holds a place
// only while it computes: another item computes while one waits.
class ProcessorSlots {
public:
    explicit ProcessorSlots(int32_t count) : free_(count > 0 ? count : 1) {}
    void Take();  // waits until a place is free
    void Give();

private:
    std::mutex lock_;
    std::condition_variable freed_;
    int32_t free_;
};

// The threads for `places` places whose items end in such a wait: one more
// a place, so that every place computes while another item waits, but at
// most kMostWaiting more (threads cost address space in a 32-bit process).
constexpr int32_t kMostWaiting = 8;
inline int32_t ThreadsForSlots(int32_t places) { return places + (places < kMostWaiting ? places : kMostWaiting); }

// One place of a ProcessorSlots, held from Take until Give or the end of the
// record, whichever comes first.
struct SlotHold {
    ProcessorSlots* slots = nullptr;  // while held

    SlotHold() = default;
    SlotHold(const SlotHold&) = delete;
    SlotHold& operator=(const SlotHold&) = delete;
    ~SlotHold() { Give(); }
    void Take(ProcessorSlots& from) {
        from.Take();
        slots = &from;
    }
    void Give() {
        if (slots) slots->Give();
        slots = nullptr;
    }
};
