// The control-point reader: accepted layouts, chunking, and every rejection
// with its file:line:column.
#include "point_file.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using vq::InputError;
using vq::parse_point_text;
using vq::PointTable;

const std::vector<int> kPairs = {4, 6};

// The message of the InputError that parsing `text` raises.
std::string error_of(const std::string& text, const std::vector<int>& counts = kPairs) {
    try {
        parse_point_text(text, "pts.txt", counts);
    } catch (const InputError& e) {
        return e.what();
    }
    return "no error";
}

TEST(PointFile, ReadsSpacesTabsCommasCommentsAndHeader) {
    const PointTable t = parse_point_text(
        "# control points\n"
        "id, x, y, X, Y\n"
        "\n"
        "A 1 2 3 4   # first\n"
        "B\t-1.5e3\t+2\t0.25\t7\r\n"
        "C,5,6,7,8\n",
        "pts.txt", kPairs);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t.numbers_per_point(), 4);
    EXPECT_EQ(t.id(0), "A");
    EXPECT_EQ(t.id(1), "B");
    EXPECT_EQ(t.id(2), "C");
    EXPECT_EQ(t.values(1)[0], -1500.0);
    EXPECT_EQ(t.values(1)[1], 2.0);
    EXPECT_EQ(t.values(1)[3], 7.0);
    EXPECT_EQ(t.values(2)[3], 8.0);
    EXPECT_EQ(t.line(0), 4u);
    EXPECT_EQ(t.line(2), 6u);
}

TEST(PointFile, NumbersReadBackExactly) {
    const PointTable t = parse_point_text("p 0.1 4471320.75 1e-300 -0\n", "pts.txt", kPairs);
    EXPECT_EQ(t.values(0)[0], 0.1);
    EXPECT_EQ(t.values(0)[1], 4471320.75);
    EXPECT_EQ(t.values(0)[2], 1e-300);
    EXPECT_EQ(t.values(0)[3], 0.0);
}

TEST(PointFile, ThreeDimensionalPairsAndLastLineWithoutNewline) {
    const PointTable t = parse_point_text("a 1 2 3 4 5 6\nb 7 8 9 10 11 12", "pts.txt", kPairs);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.numbers_per_point(), 6);
    EXPECT_EQ(t.values(1)[5], 12.0);
}

TEST(PointFile, ChunkBoundariesDoNotMatter) {
    const std::string text = "# header comment\nid x y X Y\nP1 10.5 20.25 30 40\nP2 -1 -2 -3 -4\nP3 1e2 2e2 3e2 4e2\n";
    const PointTable whole = parse_point_text(text, "pts.txt", kPairs);
    for (std::size_t chunk = 1; chunk <= 7; ++chunk) {
        vq::PointParser parser("pts.txt", kPairs);
        for (std::size_t i = 0; i < text.size(); i += chunk)
            parser.feed(text.data() + i, std::min(chunk, text.size() - i));
        const PointTable t = parser.finish();
        ASSERT_EQ(t.size(), whole.size());
        for (std::size_t p = 0; p < t.size(); ++p) {
            EXPECT_EQ(t.id(p), whole.id(p));
            EXPECT_EQ(t.line(p), whole.line(p));
            for (int k = 0; k < 4; ++k) EXPECT_EQ(t.values(p)[k], whole.values(p)[k]);
        }
    }
}

TEST(PointFile, ManyPointsKeepUniqueIds) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "pt" + std::to_string(i) + " 1 2 3 4\n";
    EXPECT_EQ(parse_point_text(text, "pts.txt", kPairs).size(), 5000u);
    text += "pt1234 1 2 3 4\n";
    EXPECT_EQ(error_of(text), "pts.txt:5001:1: duplicate id 'pt1234' (first on line 1235)");
}

TEST(PointFile, RejectsBadInputWithLineAndColumn) {
    EXPECT_EQ(error_of("a 1 2 3 4\nb 1 2 3 4x\n"), "pts.txt:2:9: malformed number '4x'");
    EXPECT_EQ(error_of("a 1 2 3 4\nb 1 2 3\n"),
              "pts.txt:2:8: expected 5 columns (id x y X Y) as on the first data line, found 4");
    EXPECT_EQ(error_of("a 1 2 3 4\nb 1 2 3 4 5 6\n"),
              "pts.txt:2:11: expected 5 columns (id x y X Y) as on the first data line, found 7");
    EXPECT_EQ(error_of("a 1 2 3\n"), "pts.txt:1:8: expected id x y X Y or id x y z X Y Z, found 4 columns");
    EXPECT_EQ(error_of("a 1 inf 3 4\n"), "pts.txt:1:5: non-finite value 'inf'");
    EXPECT_EQ(error_of("a 1 NaN 3 4\n"), "pts.txt:1:5: non-finite value 'NaN'");
    EXPECT_EQ(error_of("a 1 2 3 1e400\n"), "pts.txt:1:9: number out of the range of double '1e400'");
    EXPECT_EQ(error_of("a 1 2 3 4\na 5 6 7 8\n"), "pts.txt:2:1: duplicate id 'a' (first on line 1)");
    EXPECT_EQ(error_of("a 1,,2 3 4\n"), "pts.txt:1:5: empty field");
    EXPECT_EQ(error_of("a,1,2,3,4,\n"), "pts.txt:1:10: empty field at end of line");
    EXPECT_EQ(error_of("a 1 +-2 3 4\n"), "pts.txt:1:5: malformed number '+-2'");
    EXPECT_EQ(error_of("a 1 0x10 3 4\n"), "pts.txt:1:5: malformed number '0x10'");
    EXPECT_EQ(error_of("# nothing\n\n"), "pts.txt:3:1: no points in file");
    EXPECT_EQ(error_of(std::string("a 1 2\0 3 4\n", 12)), "pts.txt:1:6: NUL byte in text");
}

TEST(PointFile, HeaderOnlyOnFirstContentLine) {
    // A second non-numeric line is data, and its numbers are malformed.
    EXPECT_EQ(error_of("id x y X Y\nid x y X Y\n"), "pts.txt:2:4: malformed number 'x'");
}

TEST(PointFile, LineLengthLimitIsExact) {
    // A line of exactly the limit is read, one byte more is refused, whether
    // it ends the text or not, and a byte-order mark does not count.
    const std::size_t limit = vq::PointParser::kMaxLineLength;
    const std::string head = "a 1 2 3 4";
    const std::string full = head + std::string(limit - head.size(), ' ');
    for (const std::string& text : {full, full + "\n", "\xEF\xBB\xBF" + full + "\n", "b 1 2 3 4\n" + full}) {
        EXPECT_EQ(error_of(text), "no error");
        EXPECT_EQ(parse_point_text(text, "pts.txt", kPairs).id(0).front(), text.front() == 'b' ? 'b' : 'a');
    }
    EXPECT_EQ(error_of(full + " "), "pts.txt:1:65537: line longer than 65536 bytes");
    EXPECT_EQ(error_of("b 1 2 3 4\n" + full + " \n"), "pts.txt:2:65537: line longer than 65536 bytes");
}

TEST(PointFile, ByteOrderMarkAndFilesWithoutIds) {
    const PointTable t = parse_point_text("\xEF\xBB\xBFP1 1 2 3 4\n", "pts.txt", kPairs);
    EXPECT_EQ(t.id(0), "P1");
    EXPECT_EQ(parse_point_text("\xEF\xBB\xBF# c\nP1 1 2 3 4\n", "pts.txt", kPairs).id(0), "P1");
    vq::PlainLayout apply2d{{2, 4}, {2, 3, 4}, vq::IdColumn::automatic};
    const PointTable bare = parse_point_text("# E N\n\n10.5 20\n11 21\n", "pts.txt", apply2d);
    EXPECT_TRUE(bare.ids_are_line_numbers());
    EXPECT_EQ(bare.id(1), "4");
    EXPECT_EQ(bare.values(1)[1], 21.0);
}

TEST(PointFile, AcceptedCountsDecideTheLayout) {
    EXPECT_EQ(parse_point_text("a 1 2\n", "p", {2, 4}).numbers_per_point(), 2);
    EXPECT_EQ(parse_point_text("a 1 2 3\n", "p", {3, 6}).numbers_per_point(), 3);
    EXPECT_EQ(error_of("a 1 2 3\n", {2, 4}), "pts.txt:1:8: expected id x y or id x y X Y, found 4 columns");
}

TEST(PointFile, MissingFileNamesIt) {
    try {
        vq::read_point_file("/nonexistent/dir/points.txt", kPairs);
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/dir/points.txt: cannot open file", 0), 0u);
    }
}

TEST(PointFile, ReadsAFileInChunks) {
    const std::string path = testing::TempDir() + "vq_point_file_test.txt";
    std::string text = "id x y z X Y Z\n";
    for (int i = 0; i < 60000; ++i) text += "s" + std::to_string(i) + ",1.25,2.5,3.75,4,5,6\n";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    const PointTable t = vq::read_point_file(path, kPairs);
    std::remove(path.c_str());
    ASSERT_EQ(t.size(), 60000u);
    EXPECT_EQ(t.id(59999), "s59999");
    EXPECT_EQ(t.values(59999)[2], 3.75);
    EXPECT_EQ(t.line(59999), 60001u);
}

}  // namespace
