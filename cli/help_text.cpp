#include "cli/help_text.h"

#include <cstring>

namespace {

struct CommandText {
    const char* name;
    const char* usage;  // its lines of the usage text
    const char* help;   // what it does and its options
    const char* more;   // text it shares with another command, or null
};

const char kRunsOverManyFiles[] =
    "         Both print one line per file and a summary, and exit with the status of\n"
    "         the first file that failed (0 when none did). --jobs N converts N files\n"
    "         at a time (default: one per core), with the same result for every N;\n"
    "         --tolerance EPS pairs within EPS per coordinate (auto: from ORIGINAL's\n"
    "         size); batch --strict and --allow-count-change work as for convert. Inputs\n"
    "         are never written over; DIR holding an input is refused without --force.\n";

const CommandText kCommands[] = {
    {"convert",
     "  quandrelistaphor convert ORIGINAL MATCHING NEW [--yes] [--tolerance EPS|auto] [--strict]\n"
     "                           [--allow-count-change] [--by position|topology]\n"
     "                           [--seed O1,O2,O3=S1,S2,S3] [--accept-unsure] [--jobs N]\n"
     "                           [--json] [--quiet]\n",
    "convert  writes NEW (an OBJ file, and its .mtl beside it when it has materials):\n"
    "         the faces, texture coordinates, normals, groups and materials of MATCHING\n"
    "         with the vertices in the order of ORIGINAL. Every vertex of MATCHING must\n"
    "         sit at exactly the position (as 32-bit floats) of a vertex of ORIGINAL.\n"
    "         Before NEW is written the run checks that MATCHING's faces, renumbered,\n"
    "         are faces of ORIGINAL and that every vertex of ORIGINAL was taken, and\n"
    "         warns naming the first few that aren't.\n"
    "         When the face counts differ it asks \"Continue anyway? [y/N]\" on a\n"
    "         terminal; without a terminal it declines unless --yes is given.\n"
    "  --tolerance EPS   pairs each vertex of MATCHING with the nearest vertex of\n"
    "         ORIGINAL whose x, y and z each differ by at most EPS (model units);\n"
    "         NEW still gets the positions of ORIGINAL. 0 (the default) is exact.\n"
    "         auto: enough for a float rotation there and back and six-decimal\n"
    "         numbers, max(1e-6, 2^-22 x the largest coordinate); it says the value.\n"
    "         A vertex with vertices of ORIGINAL at two or more positions within EPS\n"
    "         is ambiguous: it is counted and listed, and paired with the nearest.\n"
    "  --strict  an ambiguous vertex fails the run (exit 8, nothing written);\n"
    "         with --by topology, so does a face turned over.\n"
    "  --allow-count-change  converts a copy whose vertices were split (seams,\n"
    "         material borders) or welded: every vertex of MATCHING still needs a\n"
    "         partner; NEW keeps all vertices of ORIGINAL, some maybe unused.\n"
    "         After its message a failed run says which vertices found no partner,\n"
    "         how far each is from ORIGINAL and the --tolerance that pairs them all;\n"
    "         a copy with another vertex count, whether its vertices were split or\n"
    "         welded. A mesh exported again by a 3D program, for instance:\n"
    "           quandrelistaphor convert head.obj export.obj morph.obj   (exit 8)\n"
    "           suggested: --tolerance 1.2e-06 (safe: below 0.449, half the smallest ...)\n"
    "           quandrelistaphor convert head.obj export.obj morph.obj --tolerance auto\n"
    "  --by topology  pairs by how the faces hang together instead of by position,\n"
    "         for a copy whose positions all moved (sculpted) as well as its order;\n"
    "         a --tolerance then only hints where positions can still be trusted.\n"
    "         A mesh whose faces fit two ways (a mirror image) takes the way whose\n"
    "         positions lie nearer; when the other is nearly as near (or alike parts\n"
    "         each had another nearly as near) the run fails (exit 8) naming the\n"
    "         parts. On failure it names the first face that differs.\n"
    "  --accept-unsure  with --by topology: takes the nearer choice where the run\n"
    "         can't be sure, and says so in a note; check the result.\n"
    "  --seed O1,O2,O3=S1,S2,S3  three vertices of one face of ORIGINAL and their\n"
    "         counterparts in the copy (numbered from 1), for a connected part\n"
    "         nothing else seeds or to settle a mirror image; once per part.\n"
    "  --jobs N  threads for reading both files at once and writing NEW (default:\n"
    "         one per core); NEW is the same for every N.\n",
     nullptr},
    {"pair",
     "  quandrelistaphor pair    ORIGINAL MATCHING [--tolerance EPS|auto] [--strict]\n"
     "                           [--allow-count-change] [--by position|topology]\n"
     "                           [--seed O1,O2,O3=S1,S2,S3] [--accept-unsure] [--output FILE]\n"
     "                           [--quiet]\n",
    "pair     pairs MATCHING with ORIGINAL as convert does and writes no OBJ file: it\n"
    "         prints the pairing as JSON (docs/json.md): for each vertex of MATCHING the\n"
    "         vertex of ORIGINAL (from 0) it pairs with, or null, with the counts, the\n"
    "         tolerance, the ambiguous vertices and, on failure, the diagnosis;\n"
    "         coincident vertices of ORIGINAL (a seam) are told apart by the faces, as\n"
    "         convert does. --tolerance, --strict, --by, --seed, --accept-unsure and\n"
    "         --allow-count-change work as for convert; it asks no question (both face\n"
    "         counts are given).\n"
    "  --output FILE  writes the JSON to FILE instead of standard output (exit 5\n"
    "         when it can't be written).\n",
     nullptr},
    {"report", "  quandrelistaphor report  ORIGINAL MATCHING [--output PATH] [--details] [--json] [--quiet]\n",
    "report   prints the vertex, face, group and material counts of both files,\n"
    "         with their isolated and duplicate vertices; --output PATH also writes\n"
    "         the report to PATH (CR LF line ends). --details adds, for each file, its\n"
    "         distinct positions, coincident vertex sets, bounding box and the\n"
    "         smallest distance between two vertices (to PATH too when given).\n",
     nullptr},
    {"shapes",
     "  quandrelistaphor shapes  ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N]\n"
     "                           [--tolerance EPS|auto] [--allow-count-change] [--force]\n"
     "                           [--gltf FAMILY.glb] [--json] [--quiet]\n"
     "  quandrelistaphor shapes  ORIGINAL SHAPE... --out-dir DIR --by topology\n"
     "                           [--seed O1,O2,O3=S1,S2,S3] [--accept-unsure] [--jobs N]\n"
     "                           [--tolerance EPS|auto] [--strict] [--gltf FAMILY.glb]\n",
    "shapes   pairs MATCHING (ORIGINAL handed back by another program, reordered) with\n"
    "         ORIGINAL once, one to one, and writes every SHAPE (sculpted from MATCHING,\n"
    "         in its order) as DIR/<its name>: ORIGINAL's faces, UVs, normals, groups\n"
    "         and materials, each vertex where the SHAPE moved its partner.\n"
    "           quandrelistaphor shapes head.obj head_export.obj sculpts/*.obj --out-dir targets\n"
    "         MATCHING may be a part of ORIGINAL (a head exported on its own): every\n"
    "         other vertex stays where ORIGINAL has it. --allow-count-change takes a\n"
    "         MATCHING whose vertices were split or welded.\n"
    "         With --by topology there is no MATCHING: each SHAPE (reordered and\n"
    "         sculpted at once) is paired with ORIGINAL by its faces on its own; one\n"
    "         that doesn't pair fails with exit 8 and the others go on; with --strict,\n"
    "         so does one with a face turned over. A SHAPE that is a sculpted part\n"
    "         of ORIGINAL (its faces cut out of ORIGINAL's) is seeded from positions\n"
    "         that still agree or from --seed; the rest stays where ORIGINAL has it.\n"
    "           quandrelistaphor shapes head.obj sculpts/*.obj --out-dir targets --by topology\n"
    "         --gltf FAMILY.glb also writes ORIGINAL with every SHAPE written as its\n"
    "         morph targets (named as the new files, weights 0) in one glTF 2.0 file\n"
    "         for engines and web viewers; FAMILY.gltf puts FAMILY.bin beside it.\n",
     kRunsOverManyFiles},
    {"batch",
     "  quandrelistaphor batch   ORIGINAL MATCHING... --out-dir DIR [--jobs N] [--yes]\n"
     "                           [--tolerance EPS|auto] [--strict] [--allow-count-change]\n"
     "                           [--force] [--json] [--quiet]\n",
    "batch    converts every MATCHING against ORIGINAL, loaded once, to DIR/<its name>,\n"
    "         byte for byte what convert writes; goes on past a file that fails.\n"
    "           quandrelistaphor batch head.obj exports/*.obj --out-dir converted --yes\n",
     kRunsOverManyFiles},
};

const char kEveryCommand[] =
    "  --json   prints one JSON document on standard output instead of the text (its\n"
    "         layout, with a version field, is in docs/json.md); the exit status stays.\n"
    "  --quiet, -q  only failures, warnings and notes on standard error, and on\n"
    "         standard output only what the command prints (a report, JSON,\n"
    "         failed files): no status lines, progress or success lines.\n"
    "  An option's value may also follow it after =, as in --jobs=2.\n"
    "Status and progress go to standard error. Paths of at most 255 characters;\n"
    "a relative path is taken relative to the current directory at start.\n";

const char kExitStatus[] =
    "Exit status:\n"
    "  0   success\n"
    "  1   internal error (the operation got no window, progress bar or buffer)\n"
    "  2   convert: an argument is empty, or NEW or its library is an input or an\n"
    "      input's library; report: the --output file can't be written\n"
    "      (a path too long included); shapes, batch: an argument is empty, or DIR\n"
    "      can't be used or holds an input; shapes: the --gltf file is a file of\n"
    "      the run, or its folder can't take it\n"
    "  3   ORIGINAL didn't load (missing, unreadable or not an OBJ with vertices);\n"
    "      report: also when neither loaded (the report is printed all the same)\n"
    "  4   MATCHING (or a SHAPE) didn't load\n"
    "  5   NEW (or shapes' --gltf file) couldn't be written (any earlier one is kept\n"
    "      as it was)\n"
    "  6   the vertex counts differ\n"
    "  7   no vertices\n"
    "  8   not every vertex of MATCHING has a vertex of ORIGINAL at its position\n"
    "      (or within the tolerance), or --strict met an ambiguous vertex; --by\n"
    "      topology: the faces don't correspond, or a choice was unsure (without\n"
    "      --accept-unsure)\n"
    "  9   declined at the face-count question\n"
    "  10  shapes: MATCHING and ORIGINAL don't pair one to one\n"
    "  64  usage error\n"
    "  130 interrupted by Ctrl-C; 143 ended by SIGTERM (nothing of the run is left\n"
    "      behind, an earlier NEW is untouched)\n";

void PrintUsageLines(std::FILE* stream) {
    std::fputs("Usage:\n", stream);
    for (const CommandText& command : kCommands) std::fputs(command.usage, stream);
    std::fputs("  quandrelistaphor help [COMMAND] | COMMAND --help | --help | --version\n", stream);
}

}  // namespace

void PrintUsage(std::FILE* stream) { PrintUsageLines(stream); }

void PrintHelp(std::FILE* stream) {
    PrintUsageLines(stream);
    std::fputc('\n', stream);
    for (const CommandText& command : kCommands) {
        std::fputs(command.help, stream);
        if (command.more && std::strcmp(command.name, "batch") == 0) std::fputs(command.more, stream);
    }
    std::fputs(kEveryCommand, stream);
    std::fputc('\n', stream);
    std::fputs(kExitStatus, stream);
}

int PrintCommandHelp(std::FILE* stream, const char* name) {
    for (const CommandText& command : kCommands) {
        if (std::strcmp(command.name, name) != 0) continue;
        std::fputs("Usage:\n", stream);
        std::fputs(command.usage, stream);
        std::fputc('\n', stream);
        std::fputs(command.help, stream);
        if (command.more) std::fputs(command.more, stream);
        std::fputs(kEveryCommand, stream);
        std::fputc('\n', stream);
        std::fputs(kExitStatus, stream);
        return 1;
    }
    return 0;
}
