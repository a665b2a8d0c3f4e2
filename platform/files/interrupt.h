#pragma once
// What an interrupt leaves behind: nothing of the run. The names this
// process makes beside its targets (temporaries, locks) are tracked while
// they exist; a command line that asks for it ends on SIGINT or SIGTERM
// (Ctrl-C, Ctrl-Break or closing the console on Windows) by removing every
// tracked name, printing its line and exiting with 130 (Ctrl-C) or 143.
// The renames of a commit are never cut in half: an interrupt that comes
// during them takes effect when they are over, and one that came just
// before them stops the commit before its first rename.
#include <cstdint>

// Starts tracking path. Returns its place, or -1 when every place is taken
// (the name is then left behind by an interrupt, as before tracking).
int32_t TrackName(const char* path);
// Stops tracking the name at `place` (-1: nothing); `place` becomes -1.
void ForgetName(int32_t& place);

// Makes interrupts end the process as described above. `untouched` is the
// line (ending with a line feed) said when no commit was under way; `written`
// the one said when a commit finished meanwhile (null: `untouched`). Both
// are copied.
void EndRunOnInterrupt(const char* untouched, const char* written);

// Brackets a step that makes or removes a name together with its tracking
// (a lock file made and tracked, forgotten and removed): an interrupt that
// comes meanwhile takes effect when the step is over, so it neither leaves
// the name behind nor removes one that is no longer the run's.
void DeferInterrupts();
void AllowInterrupts();

// Brackets the renames of a commit. CommitInterrupted says whether an
// interrupt came since the bracket opened (the commit then renames
// nothing); closing the bracket ends the process when one came.
void BeginCommitSteps();
int32_t CommitInterrupted();
void EndCommitSteps(int32_t committed);
