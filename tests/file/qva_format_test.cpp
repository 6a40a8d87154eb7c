// The QVA layout, name folding and scrambling, checked against archives laid out by hand,
// so that the test writer and the engine's reader cannot share one misreading.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/file/archive_reader.h"
#include "engine/file/qva_format.h"
#include "tests/file/file_test_util.h"
#include "tests/support/qva_writer.h"

namespace {

TEST(QvaFormat, WriterLaysOutArchivesExactlyAsTheHandMadeFixtures) {
    EXPECT_EQ(BuildQvaArchive({{"a.txt", "hi!"}, {"SUB/Data.bin", "XYZW"}}, 1, QvaKeyChoice::kNone),
              ReadHexFixture("v1_stored.qva.hex"));
    QvaSourceFile packed{"ab.txt", "ABABABABAB"};
    packed.packed_stream = std::string("\x0a\x00\x00\x00\x0e\x00\x00\x00\x10" "AB\x10\x21\x01", 14);
    EXPECT_EQ(BuildQvaArchive({{"s.txt", "xyz"}, packed}, 3, QvaKeyChoice::kNone),
              ReadHexFixture("v3_packed.qva.hex"));
}

TEST(QvaFormat, SearchNamesFoldCountAndPad) {
    struct Case {
        const char* name;
        int length;
        std::uint16_t words;
        std::uint16_t sum;
        std::string folded;  // with its NUL fill
    };
    const Case cases[] = {
        {"abc", 3, 1, 0x41 + 0x42 + 0x43, std::string("ABC\0", 4)},
        {"data", 4, 2, 0x44 + 0x41 + 0x54 + 0x41, std::string("DATA\0\0\0\0", 8)},
        {"data.png\\rest", 8, 3, 0x44 + 0x41 + 0x54 + 0x41 + 0x2E + 0x50 + 0x4E + 0x47,
         std::string("DATA.PNG\0\0\0\0", 12)},
        // "ソa": the trail byte 0x5C is not a separator, and both bytes count in the sum.
        {"\x83\x5C" "a", 3, 1, 0x83 + 0x5C + 0x41, std::string("\x83\x5C" "A\0", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QvaSearchName name;
        int length = 0;
        ASSERT_EQ(MakeQvaSearchName(c.name, &length, &name), 0);
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(name.word_count, c.words);
        EXPECT_EQ(name.check_sum, c.sum);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(name.name), name.word_count * 4u), c.folded);
    }
    QvaSearchName lower;
    QvaSearchName upper;
    int length = 0;
    MakeQvaSearchName("data.png", &length, &lower);
    MakeQvaSearchName("DATA.PNG", &length, &upper);
    EXPECT_EQ(lower.check_sum, upper.check_sum);
    EXPECT_EQ(std::memcmp(lower.name, upper.name, lower.word_count * 4u), 0);
    const std::string too_long(1200, 'x');
    EXPECT_EQ(MakeQvaSearchName(too_long.c_str(), &length, &lower), -1);
}

TEST(QvaFormat, UnscramblingStartsInTheKeyAtTheFileOffset) {
    unsigned char key[kQvaKeyBytes];
    MakeQvaKey(nullptr, key);
    unsigned char bytes[3] = {0, 0, 0};
    UnscrambleQvaBytes(3, bytes, 13, key);
    EXPECT_EQ(bytes[0], key[1]);
    EXPECT_EQ(bytes[1], key[2]);
    EXPECT_EQ(bytes[2], key[3]);
    UnscrambleQvaBytes(3, bytes, 13, key);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2], 0);
    // The fallback key is twelve equal bytes and differs from the default key.
    unsigned char fallback[kQvaKeyBytes];
    MakeQvaFallbackKey(fallback);
    for (unsigned char b : fallback) EXPECT_EQ(b, fallback[0]);
    EXPECT_NE(std::memcmp(key, fallback, kQvaKeyBytes), 0);
    // A key string shorter than the key repeats; two strings give two keys.
    unsigned char a[kQvaKeyBytes];
    unsigned char b[kQvaKeyBytes];
    MakeQvaKey("ab", a);
    MakeQvaKey("abababababab", b);
    EXPECT_EQ(std::memcmp(a, b, kQvaKeyBytes), 0);
    MakeQvaKey("abc", b);
    EXPECT_NE(std::memcmp(a, b, kQvaKeyBytes), 0);
}

TEST(QvaFormat, ReaderReadsTheHandMadeArchivesUnderBothKeys) {
    FileTestFolder folder;
    const std::string v1 = ReadHexFixture("v1_stored.qva.hex");
    const std::string v3 = ReadHexFixture("v3_packed.qva.hex");
    folder.Write("one.qva", ScrambleQva(v1, QvaKeyChoice::kDefault));
    folder.Write("Three.QVA", ScrambleQva(v3, QvaKeyChoice::kFallback));
    EXPECT_EQ(ReadWholeFile("one/a.txt"), "hi!");
    EXPECT_EQ(ReadWholeFile("ONE\\sub\\data.BIN"), "XYZW");
    EXPECT_EQ(ReadWholeFile("three/AB.txt"), "ABABABABAB");
    EXPECT_EQ(ReadWholeFile("three/s.txt"), "xyz");
    EXPECT_EQ(folder.TakeLog(), "");
}

// The file layer hands the reader upper-cased paths, so the reader's own folding of a
// wanted name is checked through the reader as well as end to end.
TEST(QvaFormat, WantedNamesFoldOnlyTheLowerCaseLetters) {
    FileTestFolder folder;
    folder.Write("fold.qva", ScrambleQva(ReadHexFixture("folded_names.qva.hex"), QvaKeyChoice::kDefault));
    struct Case {
        const char* wanted;
        const char* member;  // the member found, which holds its own name
    };
    const Case cases[] = {
        {"az", "AZ"}, {"aZ", "AZ"}, {"Az", "AZ"}, {"AZ", "AZ"},
        // '@' and '[' lie just outside 'A'-'Z', '`' and '{' just outside 'a'-'z': none folds.
        {"@", "@"},   {"[", "["},   {"`", "`"},   {"{", "{"},
    };
    ArchiveState archive{};
    ASSERT_EQ(OpenArchiveOnDisk(&archive, (folder.dir().path() / "fold.qva").string().c_str(), nullptr), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted);
        ArchiveMemberStream member{};
        if (OpenArchiveMember(&member, &archive, c.wanted, 0) != 0) {
            ADD_FAILURE() << "not found";
            continue;
        }
        char bytes[8] = {};
        const std::size_t n = ReadArchiveMember(&member, bytes, sizeof bytes);
        EXPECT_EQ(std::string(bytes, n), c.member);
        CloseArchiveMember(&member);
    }
    CloseArchiveState(&archive);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted);
        EXPECT_EQ(ReadWholeFile((std::string("fold/") + c.wanted).c_str()), c.member);
    }
    EXPECT_EQ(folder.TakeLog(), "");
}

}  // namespace
