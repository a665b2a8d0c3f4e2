#include "platform/files/interrupt.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/files/file_calls.h"
#include "platform/text.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <signal.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

// A signal handler can reach only what lives at a fixed place: these tables
// are the process's own by nature, one for all its runs.
constexpr int32_t kTrackedCapacity = 256;
constexpr size_t kLineCapacity = 1024;

struct TrackedName {
    std::atomic<int32_t> state{0};  // 0 free, 1 being filled, 2 tracked
    char path[kTemporaryPathCapacity];
};

TrackedName g_names[kTrackedCapacity];
std::atomic<int32_t> g_commit_steps{0};  // steps an interrupt waits for (commits' renames and others)
std::atomic<int32_t> g_pending{0};       // the exit status of an interrupt that waits
std::atomic<int32_t> g_written{0};       // a commit finished while an interrupt waited
std::atomic<int32_t> g_ending{0};
char g_untouched_line[kLineCapacity];
char g_written_line[kLineCapacity];

void RemoveTracked() {
    for (TrackedName& name : g_names) {
        if (name.state.load() != 2) continue;
#if defined(_WIN32)
        // A file still open is removed once its last handle closes, at exit.
        DeleteFileA(name.path);
#else
        unlink(name.path);
#endif
    }
}

void SayLine(const char* line) {
    size_t length = std::strlen(line);
#if defined(_WIN32)
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, DWORD(length), &written, nullptr);
#else
    while (length > 0) {
        ssize_t put = write(2, line, length);
        if (put <= 0) break;
        line += put;
        length -= size_t(put);
    }
#endif
}

// Waits (for the process to end, or a moment).
void Rest(bool forever) {
    do {
#if defined(_WIN32)
        Sleep(forever ? 1000 : 1);
#else
        struct timespec moment {0, 1000000};
        nanosleep(&moment, nullptr);
#endif
    } while (forever);
}

// Only the first caller ends the process; any other waits for it to. The
// steps other threads are in finish first, so that what they made is
// tracked, and no new one starts (DeferInterrupts).
[[noreturn]] void EndRun(int32_t status) {
    if (g_ending.exchange(1) != 0) Rest(true);
    while (g_commit_steps.load() != 0) Rest(false);
    RemoveTracked();
    SayLine(g_written.load() && g_written_line[0] ? g_written_line : g_untouched_line);
#if defined(_WIN32)
    TerminateProcess(GetCurrentProcess(), UINT(status));
#endif
    _exit(status);
}

// The interrupt is noted first, then the commits looked at: a commit that
// closes its bracket in between sees the note and ends the run itself.
void Interrupt(int32_t status) {
    int32_t none = 0;
    g_pending.compare_exchange_strong(none, status);
    if (g_commit_steps.load() == 0) EndRun(g_pending.load());
}

#if defined(_WIN32)
BOOL WINAPI OnConsoleEvent(DWORD event) {
    Interrupt(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? 130 : 143);
    // A commit under way ends the run when its renames are over; the
    // system waits for this handler meanwhile.
    for (;;) Sleep(1000);
}
#else
void OnSignal(int signal) { Interrupt(signal == SIGINT ? 130 : 143); }
#endif

}  // namespace

int32_t TrackName(const char* path) {
    if (!path || std::strlen(path) >= sizeof g_names[0].path) return -1;
    for (int32_t place = 0; place < kTrackedCapacity; ++place) {
        int32_t free = 0;
        if (!g_names[place].state.compare_exchange_strong(free, 1)) continue;
        CopyText(g_names[place].path, path);
        g_names[place].state.store(2);
        return place;
    }
    return -1;
}

void ForgetName(int32_t& place) {
    if (place >= 0 && place < kTrackedCapacity) g_names[place].state.store(0);
    place = -1;
}

void EndRunOnInterrupt(const char* untouched, const char* written) {
    CopyText(g_untouched_line, untouched ? untouched : "");
    CopyText(g_written_line, written ? written : "");
#if defined(_WIN32)
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

void DeferInterrupts() {
    g_commit_steps.fetch_add(1);
    if (g_ending.load() == 0) return;
    g_commit_steps.fetch_sub(1);  // the run is ending: nothing more is made
    Rest(true);
}

void AllowInterrupts() {
    if (g_commit_steps.fetch_sub(1) == 1 && g_pending.load()) EndRun(g_pending.load());
}

void BeginCommitSteps() { DeferInterrupts(); }

int32_t CommitInterrupted() { return g_pending.load() != 0 ? 1 : 0; }

void EndCommitSteps(int32_t committed) {
    if (committed && g_pending.load()) g_written.store(1);
    AllowInterrupts();
}
