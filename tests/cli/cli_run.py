"""Runs the program of the JSON tests: PROGRAM and CORPUS_DIR are the first two arguments of the test that imports
this, and every document is checked to parse and to hold the layout's version and the run's exit status."""
import json
import os
import subprocess
import sys

PROGRAM, CORPUS = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


def run(*args, cwd=None):
    done = subprocess.run([PROGRAM, *args], capture_output=True, cwd=cwd, timeout=120)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")


def document(*args, cwd=None):
    status, out, err = run(*args, cwd=cwd)
    doc = json.loads(out)
    assert doc["version"] == 1 and doc["status"] == status, (args, doc.get("status"), status)
    return doc, err


def slurp(path):
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return f.read()


def corpus(name):
    return os.path.join(CORPUS, name)


def obj(positions, faces):
    return "".join("v %r %r %r\n" % p for p in positions) + "".join(
        "f %s\n" % " ".join(str(v + 1) for v in f) for f in faces)
