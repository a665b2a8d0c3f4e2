"""Running `quandrelistaphor pair` on two objects: each mesh written in world
space as a plain OBJ file (positions and faces) to a temporary folder, named
after its object, the program's JSON read back."""
import json
import os
import shutil
import subprocess
import tempfile
import time


class PairingError(Exception):
    """A pairing that failed, with the program's message and diagnosis."""


def exact_turns(matrix):
    """The matrix's rows as floats, with entries within 1e-6 of 0 or +-1 made
    exact: an object turned by quarter turns (Blender's OBJ importer turns Y
    up into Z up) then hands over the very positions a base in Blender
    holds, instead of ones off in the last place."""
    rows = [[float(matrix[r][c]) for c in range(4)] for r in range(4)]
    for row in rows[:3]:
        for c in range(3):
            for exact in (0.0, 1.0, -1.0):
                if abs(row[c] - exact) < 1e-6:
                    row[c] = exact
    return rows


def world_positions(mesh, matrix, local=None):
    """The mesh's vertex positions (the basis when it has shape keys), or the
    flat x, y, z given as `local`, through the object's matrix."""
    count = len(mesh.vertices)
    if local is None:
        local = [0.0] * (3 * count)
        mesh.vertices.foreach_get("co", local)
    (a, b, c, d), (e, f, g, h), (i, j, k, l) = exact_turns(matrix)[:3]
    world = [0.0] * (3 * count)
    for n in range(0, 3 * count, 3):
        x, y, z = local[n], local[n + 1], local[n + 2]
        world[n] = a * x + b * y + c * z + d
        world[n + 1] = e * x + f * y + g * z + h
        world[n + 2] = i * x + j * y + k * z + l
    return world


def write_obj(mesh, matrix, path):
    """The mesh's positions in world space (32-bit values) and faces."""
    positions = world_positions(mesh, matrix)
    corners = [0] * len(mesh.loops)
    mesh.loops.foreach_get("vertex_index", corners)
    sizes = [0] * len(mesh.polygons)
    starts = [0] * len(mesh.polygons)
    mesh.polygons.foreach_get("loop_total", sizes)
    mesh.polygons.foreach_get("loop_start", starts)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(("v %.9g %.9g %.9g\n" * len(mesh.vertices)) % tuple(positions))
        for start, size in zip(starts, sizes):
            f.write("f " + " ".join(str(v + 1) for v in corners[start:start + size]) + "\n")


def options_arguments(options):
    """The command line's options for an operator's settings."""
    arguments = ["--by", options.by]
    if options.auto_tolerance:
        arguments += ["--tolerance", "auto"]
    elif options.tolerance > 0:
        arguments += ["--tolerance", repr(options.tolerance)]
    if options.strict:
        arguments.append("--strict")
    if options.accept_unsure:
        arguments.append("--accept-unsure")
    if options.by == "topology" and options.seed.strip():
        arguments += ["--seed", options.seed.strip()]
    return arguments


class Names:
    """The two objects' names, and the files the program knows them by: its
    texts are told in the names Blender shows."""

    def __init__(self, base, other, folder):
        self.base, self.other = base, other
        self.base_path = os.path.join(folder, "base", file_name(base))
        self.other_path = os.path.join(folder, "other", file_name(other))

    def told(self, text):
        for path, name in ((self.base_path, self.base), (self.other_path, self.other)):
            text = text.replace('"%s"' % path, name).replace(path, name)
            text = text.replace(os.path.basename(path), name)
        return text


def _message_lines(document, names):
    """The program's message without its heading, counts that the diagnosis
    gives again left out, "original" and "matching" named."""
    lines = []
    for line in (document.get("message") or "").splitlines()[1:]:
        line = line.strip()
        label = line.split(":")[0]
        if not line or label in ("num_matches", "total_vertices"):
            continue
        if label in ("original", "matching"):
            line = (names.base if label == "original" else names.other) + line[len(label):]
        lines.append(names.told(line))
    return lines


def describe_failure(document, names):
    """The program's message and what its diagnosis says, for Blender's
    report area, in the objects' names."""
    lines = _message_lines(document, names)
    diagnosis = document.get("diagnosis") or {}
    unmatched = diagnosis.get("unmatched")
    if unmatched:
        lines.append("matched %d of %d vertices of %s" % (unmatched["matched"], unmatched["total"], names.other))
        if "suggested_tolerance" in unmatched and unmatched["suggestion_safe"]:
            lines.append("Next: a Tolerance of %g pairs them all" % unmatched["suggested_tolerance"])
        else:
            if "suggested_tolerance" in unmatched:
                lines.append("a tolerance of %g would pair them all, but not safely" % unmatched["suggested_tolerance"])
            lines.append("Next: pair by Connectivity, for a copy whose positions moved too far")
    if diagnosis.get("reason"):
        lines.append("reason: " + diagnosis["reason"])
    if document.get("refused_unsure"):
        lines.append("Next: give a Seed for each part named, or tick Accept unsure choices to take the nearer "
                     "choice and check the result")
    change = diagnosis.get("count_change")
    if change:
        lines.append("%d vertices of %s at no position of %s; split %d, welded %d" % (
            change["missing"], names.other, names.base, change["would_share"]["split"],
            change["would_share"]["welded"]))
    return " | ".join(lines) or "the program failed (exit status %s)" % document.get("status")


def _check_notes(document, names):
    """The check of the pairing against the base's faces, with vertex
    numbers from 0 as Blender shows them."""
    notes = []
    faces = document.get("faces_not_in_original") or {}
    if faces.get("count"):
        listed = "; ".join(", ".join(str(v - 1) for v in face) for face in faces["first"])
        notes.append("%d faces of %s are not faces of %s once reordered; the first by the vertices of %s: %s" % (
            faces["count"], names.other, names.base, names.base, listed))
    unused = document.get("unused_original_vertices") or {}
    if unused.get("count") and not document.get("part"):  # a part leaves the rest unused by design
        notes.append("%d vertices of %s have no partner in %s; the first: %s" % (
            unused["count"], names.base, names.other, ", ".join(str(v - 1) for v in unused["first"])))
    return notes


def notes_of(document, names):
    """Everything a successful run noted or warned of, a line each, in the
    objects' names."""
    notes = []
    part = document.get("part")
    for text in ([part and part["text"], document.get("note")] +
                 [w for w in document.get("warnings", []) if not _is_check_warning(w)]):
        notes += [names.told(line.strip()) for line in (text or "").splitlines() if line.strip()]
    return notes + _check_notes(document, names)


def _is_check_warning(text):
    """The warnings the check of the faces makes, told again from its members."""
    return ("of the original once renumbered" in text or
            ("original vert" in text and "no matching vertex" in text))


def file_name(object_name):
    """A file name that reads as the object's name."""
    kept = "".join(c if c.isalnum() or c in " ._-" else "_" for c in object_name).strip(" .") or "mesh"
    return kept[:100] + ".obj"


class PairingRun:
    """One run of `quandrelistaphor pair` on two objects, in world space: the
    program runs on its own while Blender polls it, and can be stopped."""

    def __init__(self, program, base, other, options):
        self.names = Names(base.name, other.name, tempfile.mkdtemp(prefix="quandrelistaphor-"))
        self.folder = os.path.dirname(os.path.dirname(self.names.base_path))
        self.started = time.monotonic()
        self.process = None
        try:
            for path, obj in ((self.names.base_path, base), (self.names.other_path, other)):
                os.mkdir(os.path.dirname(path))
                write_obj(obj.data, obj.matrix_world, path)
            out = os.path.join(self.folder, "pairing.json")
            with open(out, "wb") as stdout, open(out + ".err", "wb") as stderr:
                self.process = subprocess.Popen(
                    [program, "pair", self.names.base_path, self.names.other_path, "--quiet",
                     *options_arguments(options)], stdout=stdout, stderr=stderr, stdin=subprocess.DEVNULL)
        except OSError as error:
            self.cancel()
            raise PairingError("can't run %s: %s" % (program, error))

    def seconds(self):
        return time.monotonic() - self.started

    def poll(self):
        """None while the program runs; then the document of a successful run.
        Raises PairingError otherwise."""
        if self.process.poll() is None:
            return None
        out = os.path.join(self.folder, "pairing.json")
        try:
            with open(out, "rb") as f:
                said = f.read().decode("utf-8", "replace")
            with open(out + ".err", "rb") as f:
                complained = f.read().decode("utf-8", "replace")
        finally:
            self.cancel()
        try:
            document = json.loads(said)
        except ValueError:
            raise PairingError(self.names.told(complained.strip()) or
                               "the program said nothing readable (exit status %d)" % self.process.returncode)
        if not document.get("success"):
            raise PairingError(describe_failure(document, self.names))
        return document

    def cancel(self):
        """Stops the program if it still runs and removes the files."""
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)
