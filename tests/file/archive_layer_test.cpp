// The archive-aware layer through FileAccessOpen: the same bytes from plain folders and
// from version-1 and version-3 archives in every open mode, member look-up rules, the
// archive cache and last hit, the open-file limit, finds, and refusal of bad archives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/file/archive_layer.h"
#include "tests/file/file_test_util.h"
#include "tests/support/engine_testing/file_testing.h"
#include "tests/support/qva_writer.h"

namespace {

std::string Pattern(std::size_t size, unsigned seed) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(i % 3 == 0 ? (seed >> 16) : i / 7);
    }
    return out;
}

std::vector<QvaSourceFile> GameFiles(bool pack) {
    std::vector<QvaSourceFile> files = {
        {"title.png", Pattern(70000, 1)},
        {"chara/a.png", Pattern(3000, 2)},
        {"chara/Sub/deep.wav", Pattern(200, 3)},
        {"empty.bin", ""},
        {"ten.bin", "0123456789"},
    };
    for (QvaSourceFile& f : files) f.pack = pack;
    return files;
}

void WritePlainTree(const FileTestFolder& folder, const std::string& root, const std::vector<QvaSourceFile>& files) {
    for (const QvaSourceFile& f : files) folder.Write(root + "/" + f.path, f.data);
}

TEST(ArchiveLayer, SameBytesFromPlainFilesAndArchivesInEveryMode) {
    FileTestFolder folder;
    const std::vector<QvaSourceFile> files = GameFiles(false);
    WritePlainTree(folder, "plain", files);
    folder.Write("v1.qva", BuildQvaArchive(files, 1));
    folder.Write("V3.QVA", BuildQvaArchive(GameFiles(true), 3));
    std::vector<QvaSourceFile> mixed = GameFiles(true);
    mixed[1].pack = false;
    mixed[4].pack = false;
    folder.Write("Mixed.Qva", BuildQvaArchive(mixed, 3));
    for (const char* root : {"plain", "v1", "v3", "mixed"}) {
        for (int cache = 0; cache <= 1; ++cache) {
            for (int async = 0; async <= 1; ++async) {
                for (const QvaSourceFile& f : files) {
                    SCOPED_TRACE(testing::Message() << root << "/" << f.path << " cache " << cache << " async " << async);
                    const std::string path = std::string(root) + "/" + f.path;
                    EXPECT_TRUE(ReadWholeFile(path.c_str(), cache, async) == f.data);
                }
            }
        }
    }
    EXPECT_EQ(folder.TakeLog(), "");
    EXPECT_EQ(GetArchiveLayerGlobals()->file_count, 0);
}

TEST(ArchiveLayer, ArchivesOnlyStandForDirectoriesAndMembersMustBeFiles) {
    FileTestFolder folder;
    folder.Write("DAT.QVA", BuildQvaArchive({{"chara/a.png", "member"}, {"a.png", "member root"}}, 3));
    folder.Write("a.png", "plain beside");
    folder.Write("dat/a.png", "plain shadowed");
    EXPECT_EQ(ReadWholeFile("dat\\chara\\a.png"), "member");
    EXPECT_EQ(ReadWholeFile("dat/a.png"), "member root");  // the archive wins over the folder
    EXPECT_EQ(ReadWholeFile("a.png"), "plain beside");      // a last component is never an archive
    EXPECT_EQ(folder.TakeLog(), "");
    EXPECT_EQ(ReadWholeFile("dat/chara"), "<missing>");
    EXPECT_EQ(folder.TakeLog(), "QVAファイルの中に指定のファイルは見つかりませんでした\n");
    EXPECT_EQ(ReadWholeFile("dat/nothing.png"), "<missing>");
    EXPECT_EQ(folder.TakeLog(), "QVAファイルの中に指定のファイルは見つかりませんでした\n");
    // Failed opens give their archive reference back.
    EXPECT_EQ(GetArchiveLayerGlobals()->archives[GetArchiveLayerGlobals()->last_archive_index]->reference_count, 0);
}

TEST(ArchiveLayer, ArchivesStayCachedAndTheLastHitIsUsed) {
    FileTestFolder folder;
    folder.Write("dat.qva", BuildQvaArchive({{"a.txt", "A"}, {"b.txt", "B"}}, 1));
    ArchiveLayerGlobals* g = GetArchiveLayerGlobals();
    const FileHandle a = FileAccessOpen("dat/a.txt", 0, 1, 0);
    ASSERT_NE(a, 0);
    EXPECT_EQ(g->archive_count, 1);
    const int index = g->last_archive_index;
    EXPECT_GT(g->last_prefix_length, 0);
    // With the archive file gone from disk, only the cached archive can answer.
    std::filesystem::remove(folder.dir().path() / "dat.qva");
    const FileHandle b = FileAccessOpen("dat/b.txt", 0, 1, 0);
    ASSERT_NE(b, 0);
    EXPECT_EQ(ReadRest(b), "B");
    EXPECT_EQ(g->archive_count, 1);
    EXPECT_EQ(g->archives[index]->reference_count, 2);
    FileAccessClose(a);
    FileAccessClose(b);
    EXPECT_EQ(g->archives[index]->reference_count, 0);
    EXPECT_EQ(g->archive_count, 1);
    TerminateArchiveState();
    EXPECT_EQ(g->archive_count, 0);
    EXPECT_EQ(g->archives[index], nullptr);
    EXPECT_EQ(ReadWholeFile("dat/a.txt"), "<missing>");
}

TEST(ArchiveLayer, OpenFileLimitHolds) {
    FileTestFolder folder;
    folder.Write("dat.qva", BuildQvaArchive({{"a.txt", "A"}}, 1));
    std::vector<FileHandle> open;
    for (int i = 0; i < kMaxOpenFiles; ++i) {
        const FileHandle f = FileAccessOpen("dat/a.txt", 0, 1, 0);
        ASSERT_NE(f, 0) << i;
        EXPECT_EQ(static_cast<std::uint64_t>(f), static_cast<std::uint64_t>(i) | 0xF0000000u);
        open.push_back(f);
    }
    folder.TakeLog();
    EXPECT_EQ(FileAccessOpen("dat/a.txt", 0, 1, 0), 0);
    EXPECT_EQ(folder.TakeLog(), "同時に開けるファイルの数が限界を超えました\n");
    EXPECT_EQ(FileAccessClose(open[100]), 0);
    EXPECT_EQ(FileAccessOpen("dat/a.txt", 0, 1, 0), open[100]);
    for (FileHandle f : open) EXPECT_EQ(FileAccessClose(f), 0);
    EXPECT_EQ(GetArchiveLayerGlobals()->file_count, 0);
}

TEST(ArchiveLayer, MemberReadsAndSeeksStayInTheMember) {
    FileTestFolder folder;
    for (bool pack : {false, true}) {
        SCOPED_TRACE(pack);
        QvaSourceFile f{"m.bin", "0123456789ABCDEF"};
        f.pack = pack;
        folder.Write("dat.qva", BuildQvaArchive({{"first.bin", "xxxx"}, f, {"z.bin", "after"}}, 3));
        TerminateArchiveState();
        const FileHandle h = FileAccessOpen("dat/m.bin", 0, 1, 0);
        ASSERT_NE(h, 0);
        char out[16] = {};
        EXPECT_EQ(FileAccessSeek(h, 6, kSeekSet), 0);
        EXPECT_EQ(FileAccessRead(out, 4, 3, h), 2u);  // 10 bytes left: copied, two whole elements
        EXPECT_EQ(std::string(out, 10), "6789ABCDEF");
        EXPECT_EQ(FileAccessRead(out, 1, 1, h), 0u);
        EXPECT_EQ(FileAccessEof(h), -1);
        EXPECT_EQ(FileAccessSeek(h, -1, kSeekSet), 0);
        EXPECT_EQ(FileAccessTell(h), 0);
        EXPECT_EQ(FileAccessEof(h), 0);
        EXPECT_EQ(FileAccessSeek(h, 100, kSeekCurrent), 0);
        EXPECT_EQ(FileAccessTell(h), 16);
        EXPECT_EQ(FileAccessSeek(h, -3, kSeekEnd), 0);
        EXPECT_EQ(FileAccessRead(out, 0, 5, h), 0u);  // element size 0
        EXPECT_EQ(FileAccessRead(out, 1, 0, h), 0u);
        EXPECT_EQ(FileAccessRead(out, 1, 5, h), 3u);
        EXPECT_EQ(std::string(out, 3), "DEF");
        EXPECT_EQ(FileAccessIdleCheck(h), 1);
        EXPECT_EQ(FileAccessClose(h), 0);
    }
}

TEST(ArchiveLayer, ForeignHandlesAreRefused) {
    FileTestFolder folder;
    char out[4];
    for (FileHandle h : {FileHandle{0}, FileHandle{5}, static_cast<FileHandle>(0xF0000000u | 3),
                         static_cast<FileHandle>(0xF0000000u | 600), static_cast<FileHandle>(0xE0000001u)}) {
        EXPECT_EQ(FileAccessClose(h), -1);
        EXPECT_EQ(FileAccessRead(out, 1, 4, h), 0u);
        EXPECT_EQ(FileAccessTell(h), -1);
        EXPECT_EQ(FileAccessSeek(h, 0, kSeekSet), -1);
        EXPECT_EQ(FileAccessEof(h), -1);
        EXPECT_EQ(FileAccessIdleCheck(h), -1);
    }
}

std::vector<std::string> List(const char* pattern, std::vector<int>* directory_flags = nullptr) {
    std::vector<std::string> names;
    FindFileInfo info;
    const FindHandle find = FileAccessFindFirst(pattern, &info);
    if (find == -1) return names;
    do {
        names.push_back(info.name);
        if (directory_flags != nullptr) directory_flags->push_back(info.is_directory);
    } while (FileAccessFindNext(find, &info) == 0);
    EXPECT_EQ(FileAccessFindClose(find), 0);
    return names;
}

TEST(ArchiveLayer, FindsListWhatTheDirectoryHolds) {
    FileTestFolder folder;
    std::vector<QvaSourceFile> files = {{"b.png", "12345"}, {"A.png", "1"}, {"chara/x.wav", "wav"}, {"readme.txt", ""}};
    // 2001-02-03 04:05:06 UTC as a file time.
    files[0].write_time = 126256467060000000ull;
    folder.Write("dat.qva", BuildQvaArchive(files, 3));
    WritePlainTree(folder, "plain", files);

    std::vector<int> flags;
    EXPECT_EQ(List("dat/*", &flags), (std::vector<std::string>{".", "A.png", "b.png", "chara", "readme.txt"}));
    EXPECT_EQ(flags, (std::vector<int>{1, 0, 0, 1, 0}));
    EXPECT_EQ(List("dat/chara/*"), (std::vector<std::string>{".", "..", "x.wav"}));
    EXPECT_EQ(List("dat\\*.png"), (std::vector<std::string>{"A.png", "b.png"}));
    EXPECT_EQ(List("dat/?.PNG"), (std::vector<std::string>{"A.png", "b.png"}));
    EXPECT_EQ(List("dat/nope/*"), std::vector<std::string>{});
    EXPECT_EQ(List("dat/*.jpg"), std::vector<std::string>{});

    FindFileInfo info;
    const FindHandle find = FileAccessFindFirst("dat/b.png", &info);
    ASSERT_NE(find, -1);
    EXPECT_EQ(info.size_low, 5u);
    EXPECT_EQ(info.size_high, 0u);
    EXPECT_EQ(std::vector<int>(info.last_write_time, info.last_write_time + 6), (std::vector<int>{2001, 2, 3, 4, 5, 6}));
    FileAccessFindClose(find);
    EXPECT_EQ(GetArchiveLayerGlobals()->archives[GetArchiveLayerGlobals()->last_archive_index]->reference_count, 0);

    flags.clear();
    EXPECT_EQ(List("plain/*", &flags), (std::vector<std::string>{".", "..", "A.png", "b.png", "chara", "readme.txt"}));
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(List("plain/*.PNG"), (std::vector<std::string>{"A.png", "b.png"}));
}

TEST(ArchiveLayer, WildcardsFollowTheEnginesRules) {
    EXPECT_EQ(MatchWildcard("*", "ANY.PNG"), 0);
    EXPECT_EQ(MatchWildcard("*.PNG", "A.PNG"), 0);
    EXPECT_EQ(MatchWildcard("?.PNG", "AB.PNG"), -1);
    EXPECT_EQ(MatchWildcard("A?C", "ABC"), 0);
    EXPECT_EQ(MatchWildcard("ABC", "ABCD"), -1);
    // No backtracking: the star stops at the first '.'.
    EXPECT_EQ(MatchWildcard("*.PNG", "A.B.PNG"), -1);
    // Shift-JIS pairs match as pairs ("ソ" is 83 5C, "ゾ" is 83 5D).
    EXPECT_EQ(MatchWildcard("\x83\x5C*", "\x83\x5C" "A"), 0);
    EXPECT_EQ(MatchWildcard("\x83\x5C", "\x83\x5D"), -1);
}

TEST(ArchiveLayer, DamagedArchivesAreRefusedAsIfMissing) {
    FileTestFolder folder;
    std::string bad = BuildQvaArchive({{"a.txt", "member"}}, 1, QvaKeyChoice::kNone);
    bad[2] = 4;  // version 4
    folder.Write("dat.qva", ScrambleQva(bad, QvaKeyChoice::kDefault));
    folder.Write("dat/a.txt", "plain");
    EXPECT_EQ(ReadWholeFile("dat/a.txt"), "plain");
    const std::string log = folder.TakeLog();
    EXPECT_EQ(log.rfind("QVAファイルの形式が正しくありません ", 0), 0u) << log;
    EXPECT_NE(log.find("dat.qva\n"), std::string::npos) << log;
    EXPECT_EQ(GetArchiveLayerGlobals()->archive_count, 0);
}

TEST(ArchiveLayer, MemberEndingAtTheArchivesLastByteIsReadAndOnePastIsRefused) {
    struct Case {
        const char* name;
        int version;
        bool pack;
    };
    const Case cases[] = {{"v1 stored", 1, false}, {"v3 stored", 3, false}, {"v3 packed", 3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileTestFolder folder;
        QvaSourceFile last{"z.bin", "the member that ends the archive"};
        last.pack = c.pack;
        // Directory block first, so z.bin (last in name order) fills the file to its end.
        const std::string plain =
            BuildQvaArchive({{"a.txt", "first"}, last}, c.version, QvaKeyChoice::kNone, QvaLayout::kDirectoryFirst);
        ASSERT_EQ(plain.substr(12, 4), std::string("\x18\0\0\0", 4));  // directory block at offset 24
        if (!c.pack) {
            ASSERT_EQ(plain.substr(plain.size() - last.data.size()), last.data);
        }

        folder.Write("dat.qva", ScrambleQva(plain, QvaKeyChoice::kDefault));
        EXPECT_EQ(ReadWholeFile("dat/z.bin"), last.data);
        EXPECT_EQ(ReadWholeFile("dat/a.txt"), "first");
        EXPECT_EQ(folder.TakeLog(), "");
        TerminateArchiveState();

        // One byte short: the last member would run one byte past the end.
        folder.Write("dat.qva", ScrambleQva(plain.substr(0, plain.size() - 1), QvaKeyChoice::kDefault));
        EXPECT_EQ(ReadWholeFile("dat/a.txt"), "<missing>");
        EXPECT_EQ(folder.TakeLog().rfind("QVAファイルの形式が正しくありません ", 0), 0u);
        EXPECT_EQ(GetArchiveLayerGlobals()->archive_count, 0);
    }
}

TEST(ArchiveLayer, PackedMemberWhoseHeaderDisagreesWithItsEntryFailsToOpen) {
    FileTestFolder folder;
    QvaSourceFile f{"p.bin", "ABABABABAB"};
    // A valid stream for 10 bytes, but its header claims 9.
    f.packed_stream = std::string("\x09\x00\x00\x00\x0e\x00\x00\x00\x10" "AB\x10\x21\x01", 14);
    folder.Write("dat.qva", BuildQvaArchive({f}, 3));
    EXPECT_EQ(ReadWholeFile("dat/p.bin"), "<missing>");
    EXPECT_EQ(folder.TakeLog(),
              "QVAファイル内の圧縮データが壊れています\nQVAファイルの中に指定のファイルは見つかりませんでした\n");
}

TEST(ArchiveLayer, NoArchiveSwitchInstallsThePlainSet) {
    FileTestFolder folder;
    folder.Write("dat.qva", BuildQvaArchive({{"a.txt", "member"}}, 1));
    folder.Write("b.txt", "plain");
    *GetNoArchiveSwitch() = 1;
    SetupFileAccessTable(nullptr);
    EXPECT_EQ(ReadWholeFile("dat/a.txt"), "<missing>");
    EXPECT_EQ(ReadWholeFile("b.txt"), "plain");
    *GetNoArchiveSwitch() = 0;
    SetupFileAccessTable(nullptr);
    EXPECT_EQ(ReadWholeFile("dat/a.txt"), "member");
}

}  // namespace
