// Morph families and batches at the level of the operations: every shape comes back as the base moved as the shape was
// moved, in base order; an unchanged shape gives back the base exactly, as convert of the base with itself writes it;
// batch writes what convert writes.
#include <gtest/gtest.h>

#include "morph/convert.h"
#include "morph/shapes.h"
#include "tests/morph/family_generator.h"

namespace {

using family::Family;
using family::kSculpts;

bool SameBits(const std::vector<Position>& a, const std::vector<Position>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Position)) == 0;
}

TEST(Families, EveryShapeBecomesTheBaseMovedAsTheShapeWasMoved) {
    // Exactly paired, and paired within a tolerance after the copy's
    // positions came back a few units in the last place off.
    for (double tolerance : {0.0, 1e-4}) {
        SCOPED_TRACE(tolerance);
        ScratchFolder folder;
        Family family(9, 0, 7);
        family.WriteAll(folder, tolerance > 0);
        ShapeFamily learnt;
        QuietHost host;
        char message[kMessageCapacity] = {};
        ASSERT_EQ(LoadShapeFamily(folder.Join("in/base.obj").c_str(), folder.Join("in/matching.obj").c_str(), learnt,
                                  &host, message),
                  1);
        int32_t ambiguous = -1;
        ASSERT_EQ(PairShapeFamily(learnt, tolerance, message, &ambiguous), 1) << message;
        EXPECT_EQ(ambiguous, 0);
        for (size_t k = 0; k < std::size(kSculpts); ++k) {
            std::string name = "shape_" + std::to_string(k) + ".obj";
            std::string in = folder.Join("in/" + name), out = folder.Join(name);
            WrittenObjFiles files;
            ASSERT_EQ(FormatShape(learnt, in.c_str(), out.c_str(), files, message), 1) << message;
            ASSERT_EQ(CommitShape(files, out.c_str(), message), 1) << message;
            std::vector<Position> expected = family.Moved(kSculpts[k]), got = ReadPositions(folder.Join(name));
            if (tolerance == 0 || kSculpts[k].amount == 0) {
                EXPECT_TRUE(SameBits(got, expected)) << name;
            } else {
                ASSERT_EQ(got.size(), expected.size());
                for (size_t v = 0; v < got.size(); ++v) EXPECT_NEAR(got[v].z, expected[v].z, 1e-6) << v;
            }
        }
        // The unchanged shape is the base as convert writes it from itself.
        std::string unchanged = "shape_" + std::to_string(std::size(kSculpts) - 1);
        std::string base = folder.Join("in/base.obj"), target = folder.Join("c/" + unchanged + ".obj");
        auto convert = [&] { return ConvertFiles(base.c_str(), base.c_str(), target.c_str(), &host, message); };
        ASSERT_EQ(convert(), -4);  // no folder c/ yet
        folder.Write("c/.keep", "");
        ASSERT_EQ(convert(), 1);
        for (const char* ending : {".obj", ".mtl"})
            EXPECT_EQ(Slurp(folder.Join(unchanged + ending)), Slurp(folder.Join("c/" + unchanged + ending)));
    }
}

}  // namespace
