"""Running `quandrelistaphor pair` on two meshes: each written as a plain OBJ
file (positions and faces) to a temporary folder, the program's JSON read
back."""
import json
import os
import subprocess
import tempfile


class PairingError(Exception):
    """A pairing that failed, with the program's message and diagnosis."""


def write_obj(mesh, path):
    """The mesh's vertex positions (its own coordinates; the basis when it has
    shape keys) and faces, as the exact 32-bit values."""
    count = len(mesh.vertices)
    positions = [0.0] * (3 * count)
    mesh.vertices.foreach_get("co", positions)
    corners = [0] * len(mesh.loops)
    mesh.loops.foreach_get("vertex_index", corners)
    sizes = [0] * len(mesh.polygons)
    starts = [0] * len(mesh.polygons)
    mesh.polygons.foreach_get("loop_total", sizes)
    mesh.polygons.foreach_get("loop_start", starts)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(("v %.9g %.9g %.9g\n" * count) % tuple(positions))
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


def describe_failure(document):
    """The program's message and what its diagnosis says, for Blender's report area."""
    lines = [line for line in (document.get("message") or "").splitlines() if line.strip()]
    diagnosis = document.get("diagnosis") or {}
    unmatched = diagnosis.get("unmatched")
    if unmatched:
        lines.append("matched %d of %d vertices" % (unmatched["matched"], unmatched["total"]))
        if "suggested_tolerance" in unmatched:
            lines.append("a tolerance of %g would pair them all (%s)" % (
                unmatched["suggested_tolerance"], "safe" if unmatched["suggestion_safe"] else "not safe"))
    if diagnosis.get("reason"):
        lines.append("reason: " + diagnosis["reason"])
    if document.get("refused_unsure"):
        lines.append("Next: give a Seed for each part named, or tick Accept unsure choices to take the nearer "
                     "choice and check the result")
    change = diagnosis.get("count_change")
    if change:
        lines.append("%d vertices at no position of the base; split %d, welded %d" % (
            change["missing"], change["would_share"]["split"], change["would_share"]["welded"]))
    return " | ".join(lines) or "the program failed (exit status %s)" % document.get("status")


def notes_of(document):
    """Everything a successful run noted or warned of, a line each."""
    notes = []
    part = document.get("part")
    for text in [part and part["text"], document.get("note")] + document.get("warnings", []):
        notes += [line.strip() for line in (text or "").splitlines() if line.strip()]
    return notes


def file_name(object_name):
    """A file name that reads as the object's name."""
    kept = "".join(c if c.isalnum() or c in " ._-" else "_" for c in object_name).strip(" .") or "mesh"
    return kept[:100] + ".obj"


def pair_meshes(program, base_mesh, other_mesh, options, base_name="base", other_name="other"):
    """The program's pairing of other_mesh's vertices with base_mesh's (the
    objects' names given for its messages): the JSON document of a
    successful run. Raises PairingError otherwise."""
    with tempfile.TemporaryDirectory(prefix="quandrelistaphor-") as folder:
        # Named after the objects, the files name them in the program's messages.
        base_path = os.path.join(folder, "base", file_name(base_name))
        other_path = os.path.join(folder, "other", file_name(other_name))
        os.mkdir(os.path.dirname(base_path))
        os.mkdir(os.path.dirname(other_path))
        write_obj(base_mesh, base_path)
        write_obj(other_mesh, other_path)
        try:
            done = subprocess.run([program, "pair", base_path, other_path, "--quiet", *options_arguments(options)],
                                  capture_output=True, timeout=3600)
        except OSError as error:
            raise PairingError("can't run %s: %s" % (program, error))
    try:
        document = json.loads(done.stdout.decode("utf-8"))
    except ValueError:
        raise PairingError(done.stderr.decode("utf-8", "replace").strip() or
                           "the program said nothing readable (exit status %d)" % done.returncode)
    if not document.get("success"):
        raise PairingError(describe_failure(document))
    return document
