#!/usr/bin/env python3
"""Runs in a folder shared by users (sticky and world-writable, as /tmp), as a
second, unprivileged user (and as root where an attack aims at root), with
files, links and locks another user planted there. Every file the run does not
own, and every file a link leads to, must be byte for byte what it was, and the
run's words must name the file and the reason. With --signals: batch and
shapes runs there interrupted at random moments, 100 times each per signal,
must leave no lock, temporary, backup or commit record.

Needs root (it makes its users with useradd). Usage:
shared_folder_test.py PROGRAM CORPUS_DIR [--signals]"""
import json
import os
import pwd
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

PROGRAM, CORPUS = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
LOCK_TEXT = b"quandrelistaphor lock\n"
TOKEN = "00000000feedf00d"


def user(name):
    try:
        return pwd.getpwnam(name)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", name], check=True)
        return pwd.getpwnam(name)


RUNNER, OTHER, ROOT = user("qshare-runner"), user("qshare-other"), pwd.getpwuid(0)


def put(path, data, who, mode=0o644):
    """A file of `who`'s."""
    with open(path, "wb") as f:
        f.write(data)
    os.chown(path, who.pw_uid, who.pw_gid)
    os.chmod(path, mode)


def link(target, path, who):
    os.symlink(target, path)
    os.lchown(path, who.pw_uid, who.pw_gid)


def folder(path, who, mode=0o755):
    os.mkdir(path)
    os.chown(path, who.pw_uid, who.pw_gid)
    os.chmod(path, mode)


def run(who, args, cwd, env=None):
    started = time.monotonic()
    done = subprocess.run([PROGRAM, *args], capture_output=True, cwd=cwd, timeout=120, user=who.pw_uid,
                          group=who.pw_gid, extra_groups=[], env=env)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace"), \
        time.monotonic() - started


def snapshot(root):
    """Every entry under root: its owner, mode and bytes (a link's target)."""
    entries = {}
    for folder, folders, files in os.walk(root):
        for name in folders + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            if stat.S_ISLNK(info.st_mode):
                body = "-> " + os.readlink(path)
            elif stat.S_ISREG(info.st_mode):
                with open(path, "rb") as f:
                    body = f.read()
            else:
                body = None
            entries[os.path.relpath(path, root)] = (info.st_uid, info.st_mode, body)
    return entries


def make_place():
    """base/ with in/ (the inputs), victim/ (files links aim at: root's and
    the runner's), own/ (the runner's own folder) and shared/ (mode 1777)."""
    base = tempfile.mkdtemp(prefix="qshare")
    os.chmod(base, 0o755)
    for name, mode in (("in", 0o755), ("victim", 0o755), ("shared", 0o1777)):
        folder(os.path.join(base, name), ROOT, mode)
    for name in ("original.obj", "original.mtl", "reordered.obj", "copy.mtl", "welded.obj"):
        shutil.copy(os.path.join(CORPUS, name), os.path.join(base, "in", name))
    put(os.path.join(base, "victim", "root.txt"), b"root's own\n", ROOT)
    put(os.path.join(base, "victim", "runner.txt"), b"the runner's own\n", RUNNER)
    folder(os.path.join(base, "own"), RUNNER)
    folder(os.path.join(base, "shared", "closed"), OTHER)
    return base


def half_done_commit(shared, who, token=TOKEN):
    """What a run killed between the library's rename and the OBJ file's leaves."""
    obj_tmp = f"{shared}/new.obj~{token}.00000001.tmp"
    record = f"quandrelistaphor commit {token}\0{shared}/new.mtl~{token}.00000002.tmp\0{shared}/new.mtl\0" \
             f"{obj_tmp}\0{shared}/new.obj\0"
    put(f"{shared}/new.obj", b"earlier obj\n", who)
    put(f"{shared}/new.mtl", b"new mtl\n", who)
    put(f"{shared}/new.mtl~{token}.00000003.bak", b"earlier mtl\n", who)
    put(obj_tmp, b"new obj\n", who)
    put(f"{shared}/new.obj~commit", record.encode(), who)
    put(f"{shared}/new.obj~lock", LOCK_TEXT, who)
    put(f"{shared}/new.mtl~lock", LOCK_TEXT, who)


CONVERT = ["convert", "in/original.obj", "in/reordered.obj", "shared/new.obj"]
OTHERS = "(qshare-other's)"

# Each row: what it shows, who runs, what is planted (given base and shared),
# the arguments, the exit status, what standard error says (with {base} and
# {shared} filled in), and what the files then hold (path under base -> bytes,
# None when gone).
ROWS = [
    ("root: another user's link as NEW's library", ROOT,
     lambda b, s: link(f"{b}/victim/root.txt", f"{s}/new.mtl", OTHER), CONVERT, 5,
     [f'Refused the link "{{shared}}/new.mtl" {OTHERS}: it is a symbolic link another user made'],
     {"shared/new.obj": None}),
    ("root: another user's link as NEW", ROOT, lambda b, s: link(f"{b}/victim/root.txt", f"{s}/new.obj", OTHER),
     CONVERT, 5, [f'Refused the link "{{shared}}/new.obj" {OTHERS}'], {}),
    ("a user: another user's link at the user's own file", RUNNER,
     lambda b, s: link(f"{b}/victim/runner.txt", f"{s}/new.mtl", OTHER), CONVERT, 5,
     [f'Refused the link "{{shared}}/new.mtl" {OTHERS}', "delete it, or write the new file elsewhere"], {}),
    ("batch into the shared folder", RUNNER, lambda b, s: link(f"{b}/victim/runner.txt", f"{s}/reordered.mtl", OTHER),
     ["batch", "in/original.obj", "in/reordered.obj", "--out-dir", "shared", "--yes"], 5,
     [f'Refused the link "{{shared}}/reordered.mtl" {OTHERS}'], {"shared/reordered.obj": None}),
    ("shapes into the shared folder", RUNNER, lambda b, s: link(f"{b}/victim/runner.txt", f"{s}/reordered.obj", OTHER),
     ["shapes", "in/original.obj", "in/reordered.obj", "in/reordered.obj", "--out-dir", "shared"], 5,
     [f'Refused the link "{{shared}}/reordered.obj" {OTHERS}'], {"shared/reordered.mtl": None}),
    ("links the user made in their own folder are written through, and said", RUNNER,
     lambda b, s: (link(f"{b}/own/real.obj", f"{b}/own/new.obj", RUNNER),
                   link("lib.mtl", f"{b}/own/new.mtl", RUNNER)),
     ["convert", "in/original.obj", "in/reordered.obj", "own/new.obj"], 0,
     ['"{base}/own/new.obj" is a symbolic link: the file written is "{base}/own/real.obj".',
      '"{base}/own/new.mtl" is a symbolic link: the file written is "{base}/own/lib.mtl".'],
     {"own/new.obj": "-> {base}/own/real.obj", "own/new.mtl": "-> lib.mtl"}),
    ("another user's file as NEW's library", RUNNER, lambda b, s: put(f"{s}/new.mtl", b"theirs\n", OTHER), CONVERT, 5,
     [f'Can\'t replace "{{shared}}/new.mtl" {OTHERS}: it belongs to another user.',
      "only its owner may replace or delete it"], {"shared/new.obj": None}),
    ("another user's file as NEW", RUNNER, lambda b, s: put(f"{s}/new.obj", b"theirs\n", OTHER), CONVERT, 5,
     [f'Can\'t replace "{{shared}}/new.obj" {OTHERS}: it belongs to another user.'], {}),
    ("another user's lock nobody holds", RUNNER, lambda b, s: put(f"{s}/new.obj~lock", b"", OTHER), CONVERT, 0,
     [f'Left alone the lock file "{{shared}}/new.obj~lock" {OTHERS}: it belongs to another user.',
      ], {"shared/new.mtl~lock": None}),
    ("another user's lock that can't be read", RUNNER, lambda b, s: put(f"{s}/new.mtl~lock", b"", OTHER, 0o600),
     CONVERT, 5, [f'Can\'t use the lock file "{{shared}}/new.mtl~lock" {OTHERS}: Permission denied.',
                  "Ask its owner to delete it"], {"shared/new.obj": None, "shared/new.obj~lock": None}),
    ("the user's own file named like the lock", RUNNER, lambda b, s: put(f"{s}/new.obj~lock", b"notes\n", RUNNER),
     CONVERT, 0, ['Left alone the lock file "{shared}/new.obj~lock": this program did not write it.'],
     {"shared/new.obj~lock": b"notes\n"}),
    ("a lock a killed run of the user's left", RUNNER, lambda b, s: put(f"{s}/new.obj~lock", LOCK_TEXT, RUNNER),
     CONVERT, 0, [], {"shared/new.obj~lock": None}),
    ("a half-done commit, finished by a run whose MATCHING is missing", RUNNER,
     lambda b, s: half_done_commit(s, RUNNER), ["convert", "in/original.obj", "in/gone.obj", "shared/new.obj"], 4,
     ["finished an interrupted earlier write of the new file"],
     {"shared/new.obj": b"new obj\n", "shared/new.mtl": b"new mtl\n", f"shared/new.obj~{TOKEN}.00000001.tmp": None,
      f"shared/new.mtl~{TOKEN}.00000003.bak": None, "shared/new.obj~commit": None, "shared/new.obj~lock": None,
      "shared/new.mtl~lock": None}),
    ("a half-done commit, finished by a run whose vertex counts differ", RUNNER,
     lambda b, s: half_done_commit(s, RUNNER), ["convert", "in/original.obj", "in/welded.obj", "shared/new.obj"], 6,
     ["finished an interrupted earlier write of the new file"],
     {"shared/new.obj": b"new obj\n", "shared/new.obj~commit": None, "shared/new.obj~lock": None}),
    ("a half-done commit, finished by a shapes run whose SHAPE is missing", RUNNER,
     lambda b, s: half_done_commit(s, RUNNER),
     ["shapes", "in/original.obj", "in/reordered.obj", "in/new.obj", "--out-dir", "shared"], 4,
     ["finished an interrupted earlier write of the new file"],
     {"shared/new.obj": b"new obj\n", "shared/new.obj~commit": None, "shared/new.mtl~lock": None}),
    ("another user's half-done commit", RUNNER, lambda b, s: half_done_commit(s, OTHER),
     ["convert", "in/original.obj", "in/gone.obj", "shared/new.obj"], 4,
     ['Left alone the commit record "{shared}/new.obj~commit": it belongs to another user.',
      "delete it (it is qshare-other's)"], {}),
    ("an output folder that can't be made", RUNNER, lambda b, s: None,
     ["batch", "in/original.obj", "in/reordered.obj", "--out-dir", "shared/closed/sub"], 2,
     ["the output folder can't be made: {shared}/closed/sub/ (Permission denied)"], {}),
    ("an output folder that can't be written to", RUNNER, lambda b, s: None,
     ["shapes", "in/original.obj", "in/reordered.obj", "in/reordered.obj", "--out-dir", "shared/closed"], 2,
     ["the output folder can't be written to: {shared}/closed/ (Permission denied)"], {}),
    ("a report file in a folder that can't be written to", RUNNER, lambda b, s: None,
     ["report", "in/original.obj", "in/reordered.obj", "--output", "shared/closed/report.txt"], 2,
     ['There was an error creating the report file:\n\nfilepath: "{shared}/closed/report.txt"',
      "reason: Permission denied"], {}),
    ("a path too long, named whole", RUNNER, lambda b, s: None,
     ["convert", "in/original.obj", "in/reordered.obj", "shared/" + "n" * 250 + ".obj"], 64,
     ["path too long (at most 255 characters, this one has {long}): {shared}/" + "n" * 250 + ".obj"], {}),
]


def strings(value):
    if isinstance(value, str):
        yield value
    for inner in value.values() if isinstance(value, dict) else value if isinstance(value, list) else []:
        yield from strings(inner)


def check_row(row):
    what, who, plant, args, status, says, after = row
    base = make_place()
    shared = f"{base}/shared"
    fill = lambda text: text.replace("{base}", base).replace("{shared}", shared).replace(
        "{long}", str(len(shared) + 255))
    try:
        plant(base, shared)
        before = snapshot(base)
        code, out, err, _ = run(who, args, base)
        problems = []
        if code != status:
            problems.append(f"exit {code}, not {status}")
        problems += [f"does not say {fill(s)!r}" for s in says if fill(s) not in out + err]
        now = snapshot(base)
        for path, (owner, mode, body) in before.items():
            if (owner != who.pw_uid or path.startswith("victim/")) and path not in after and now.get(path) != (
                    owner, mode, body):
                problems.append(f"{path} changed: {now.get(path, 'gone')!r}")
        for path, body in after.items():
            held = now[path][2] if path in now else None
            if held != (fill(body) if isinstance(body, str) else body):
                problems.append(f"{path} holds {held!r}, not {body!r}")
        # The document of a refusal says the same.
        if status in (2, 5) and not problems:
            code, out, _, _ = run(who, args + ["--json"], base)
            if code != status or not any(fill(says[0]) in text for text in strings(json.loads(out))):
                problems.append(f"--json: exit {code}, does not say {fill(says[0])!r}: {out}")
        return [f"{what}: {p}\n{out}{err}" for p in problems]
    finally:
        shutil.rmtree(base)


def leftovers(folder):
    return [n for n in os.listdir(folder) if n.endswith(("~lock", ".tmp", ".bak", "~commit"))]


def interrupt_runs(times):
    """batch and shapes in the shared folder, each signal `times` times, at a
    random moment of the run. Returns the failures and the longest stop."""
    base = make_place()
    problems, slowest, seen = [], 0.0, {}
    try:
        for k in range(3):
            shutil.copy(os.path.join(CORPUS, "reordered.obj"), f"{base}/in/m{k}.obj")
        inputs = [f"in/m{k}.obj" for k in range(3)]
        commands = {"batch": ["batch", "in/original.obj", *inputs, "--out-dir", "shared/out", "--yes", "--jobs", "2"],
                    "shapes": ["shapes", "in/original.obj", "in/reordered.obj", *inputs, "--out-dir", "shared/out",
                               "--jobs", "2"]}
        rng = random.Random(44)
        # How long a start and a whole run take, to aim the signals at the
        # run's own work.
        start = run(RUNNER, ["--version"], base)[3]
        whole = {name: run(RUNNER, args, base)[3] for name, args in commands.items()}
        for name, args in commands.items():
            for sig in (signal.SIGTERM, signal.SIGINT):
                for _ in range(times):
                    shutil.rmtree(f"{base}/shared/out", ignore_errors=True)
                    process = subprocess.Popen([PROGRAM, *args], cwd=base, user=RUNNER.pw_uid, group=RUNNER.pw_gid,
                                               extra_groups=[], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                    time.sleep(rng.uniform(start / 2, max(whole[name], start)))
                    sent = time.monotonic()
                    process.send_signal(sig)
                    _, err = process.communicate(timeout=60)
                    stop = time.monotonic() - sent
                    code = process.returncode
                    seen[code] = seen.get(code, 0) + 1
                    if code != 0:
                        slowest = max(slowest, stop)
                    out = f"{base}/shared/out"
                    left = leftovers(out) if os.path.isdir(out) else []
                    # A signal before the run has set out to catch it ends it as
                    # the system does (-sig): it had made nothing yet.
                    if left or code not in (0, 128 + sig, -sig):
                        problems.append(f"{name} {sig.name}: exit {code}, left {left}\n{err.decode()}")
    finally:
        shutil.rmtree(base)
    return problems, slowest, seen


def main():
    if os.geteuid() != 0:
        sys.exit("shared_folder_test: needs root, to make its users with useradd")
    if "--signals" in sys.argv:
        problems, slowest, seen = interrupt_runs(100)
        print(f"shared_folder_test: signals: exits {seen}, longest stop after the signal {slowest:.3f} s")
    else:
        problems = [p for row in ROWS for p in check_row(row)]
    for problem in problems:
        print("FAILED:", problem)
    print("shared_folder_test:", "failed" if problems else "passed")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
