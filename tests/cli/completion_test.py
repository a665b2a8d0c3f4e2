#!/usr/bin/env python3
"""bash completion on a pty, as a user types: file names with blanks and
other shell characters complete as bash's own file completion completes
them. Usage: completion_test.py COMPLETION_SCRIPT"""
import os
import pty
import re
import select
import sys
import tempfile
import time

SCRIPT = os.path.abspath(sys.argv[1])


def completed(folder, typed):
    """The command line after typing `typed` and a Tab in an interactive bash."""
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(folder)
        os.execvpe("bash", ["bash", "--norc", "--noprofile", "-i"], {"PS1": "$ ", "TERM": "dumb", "PATH": os.environ["PATH"]})
    said = b""

    def read_until(pattern, seconds=10):
        nonlocal said
        end = time.monotonic() + seconds
        while not re.search(pattern, said) and time.monotonic() < end:
            if select.select([fd], [], [], 0.1)[0]:
                said += os.read(fd, 4096)
    # Ctrl-T prints readline's own buffer between markers: what the Tab made of
    # the line, however the terminal happened to redraw it while busy.
    os.write(fd, b"bind 'set bell-style none'; bind -x '\"\\C-t\": printf \"\\n<<%%s>>\\n\" \"$READLINE_LINE\"';"
             b" source '%s'; echo READY\n" % SCRIPT.encode())
    read_until(rb"READY\r?\n\$ ")
    said = b""
    os.write(fd, typed.encode() + b"\t\x14")
    read_until(rb"<<.*>>\r?\n", 20)
    os.kill(pid, 9)
    os.waitpid(pid, 0)
    line = re.search(rb"<<(.*)>>\r?\n", said)
    return line.group(1).decode("utf-8", "replace") if line else "(no answer: %r)" % said


def main():
    with tempfile.TemporaryDirectory() as folder:
        for name in ("two words.obj", "it's (1).obj"):
            open(os.path.join(folder, name), "w").close()
        os.mkdir(os.path.join(folder, "my meshes"))
        cases = [("quandrelistaphor convert two", "quandrelistaphor convert two\\ words.obj "),
                 ("quandrelistaphor convert it", "quandrelistaphor convert it\\'s\\ \\(1\\).obj "),
                 ("quandrelistaphor convert my", "quandrelistaphor convert my\\ meshes/"),
                 ("quandrelistaphor convert my\\ me", "quandrelistaphor convert my\\ meshes/"),
                 ("quandrelistaphor shapes o.obj --out-dir my", "quandrelistaphor shapes o.obj --out-dir my\\ meshes/"),
                 ("quandrelistaphor conv", "quandrelistaphor convert ")]
        failed = 0
        for typed, want in cases:
            got = completed(folder, typed)
            if got != want:
                failed += 1
                print("FAILED: %r completed to %r, not %r" % (typed, got, want))
        print("completion_test: %s" % ("all passed" if not failed else "%d failed" % failed))
        return 1 if failed else 0


sys.exit(main())
