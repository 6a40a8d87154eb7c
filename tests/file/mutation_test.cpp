// Damaged archives and LZ streams: every truncation and many byte flips of valid ones
// are either refused or read within bounds; nothing leaks, crashes or hangs (the
// sanitizers watch every access), and no damaged archive lifts the peak memory by more
// than a bound. Archives are listed in a zone east of UTC, so stored times near the top
// of the range meet a positive zone offset.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/file/archive_layer.h"
#include "engine/file/lz_unpack.h"
#include "tests/file/file_test_util.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/file_testing.h"
#include "tests/support/lz_packer.h"
#include "tests/support/peak_memory.h"
#include "tests/support/qva_writer.h"
#include "tests/support/scoped_time_zone.h"

namespace {

const char* const kMembers[] = {"dat/a.txt", "dat/sub/b.bin", "dat/sub/deep/c.txt", "dat/e.bin", "dat/sub"};

std::vector<QvaSourceFile> Files() {
    std::string repeated;
    for (int i = 0; i < 12; ++i) repeated += "pattern-" + std::to_string(i % 4);
    std::vector<QvaSourceFile> files = {
        {"a.txt", "hello"}, {"sub/b.bin", repeated}, {"sub/deep/c.txt", "xyz"}, {"e.bin", ""}};
    files[1].pack = true;
    files[2].pack = true;
    files[0].write_time = 125911584000000000ull;  // 2000-01-01
    files[3].write_time = INT64_MAX;              // the last representable moment
    return files;
}

// Opens every member path and lists the archive, reading whatever opens to its end. A
// refused archive is refused again on every path, so one path is enough then.
void Exercise(FileTestFolder& folder, const std::string& archive) {
    const std::uint64_t peak = PeakResidentBytes();
    folder.Write("dat.qva", archive);
    for (const char* path : kMembers) {
        if (path != kMembers[0] && GetArchiveLayerGlobals()->archive_count == 0) break;
        const FileHandle f = FileAccessOpen(path, 0, 1, 0);
        if (f == 0) continue;
        char buffer[64];
        std::size_t total = 0;
        while (std::size_t n = FileAccessRead(buffer, 1, sizeof buffer, f)) total += n;
        ASSERT_LE(total, 1000u);
        FileAccessSeek(f, -5, kSeekEnd);
        FileAccessRead(buffer, 3, 5, f);
        FileAccessClose(f);
    }
    for (const char* pattern : {"dat/*", "dat/sub/*", "dat/sub/deep/*.TXT"}) {
        FindFileInfo info;
        const FindHandle find = FileAccessFindFirst(pattern, &info);
        if (find == -1) continue;
        int guard = 0;
        while (FileAccessFindNext(find, &info) == 0) ASSERT_LT(++guard, 100);
        FileAccessFindClose(find);
    }
    // Drop the cached archive so the next image is opened afresh.
    TerminateArchiveState();
    ASSERT_EQ(GetArchiveLayerGlobals()->archive_count, 0);
    folder.TakeLog();
    ASSERT_LE(PeakResidentBytes() - peak, kCorpusInputPeakGrowthLimit);
}

enum class Damage { kTruncate, kFlip, kScatter };

// One kind of damage to one archive version per test, so the cases run side by side.
class ArchiveMutation : public testing::TestWithParam<std::tuple<int, Damage>> {};

TEST_P(ArchiveMutation, DamagedArchivesAreRefusedOrReadInBounds) {
    const auto [version, damage] = GetParam();
    ScopedTimeZone zone("JST-9");
    ResetPeakResident();
    FileTestFolder folder;
    const std::int32_t live = TrackedLiveBlockCount();
    const std::string plain = BuildQvaArchive(Files(), version, QvaKeyChoice::kNone);
    switch (damage) {
        case Damage::kTruncate:
            // Every cut through the header and the first records, then every third byte.
            for (std::size_t cut = 0; cut < plain.size(); cut += cut < 64 ? 1 : 3) {
                Exercise(folder, ScrambleQva(plain.substr(0, cut), QvaKeyChoice::kDefault));
            }
            break;
        case Damage::kFlip: {
            const unsigned char flips[] = {0x01, 0x80, 0xFF};
            for (std::size_t at = 0; at < plain.size(); ++at) {
                std::string bad = plain;
                bad[at] = static_cast<char>(bad[at] ^ flips[at % 3]);
                Exercise(folder, ScrambleQva(bad, QvaKeyChoice::kDefault));
            }
            break;
        }
        case Damage::kScatter: {
            std::uint32_t seed = 99;
            for (int round = 0; round < 150; ++round) {
                std::string bad = plain;
                for (int k = 0; k < 4; ++k) {
                    seed = seed * 1103515245u + 12345u;
                    bad[(seed >> 8) % bad.size()] = static_cast<char>(seed >> 24);
                }
                Exercise(folder, ScrambleQva(bad, QvaKeyChoice::kDefault));
            }
            break;
        }
    }
    // The undamaged archive still reads after all that.
    Exercise(folder, ScrambleQva(plain, QvaKeyChoice::kDefault));
    EXPECT_EQ(ReadWholeFile("dat/sub/deep/c.txt"), "xyz");
    TerminateArchiveState();
    EXPECT_EQ(TrackedLiveBlockCount(), live);
}

std::string CaseName(const testing::TestParamInfo<ArchiveMutation::ParamType>& info) {
    static const char* const kNames[] = {"Truncated", "Flipped", "Scattered"};
    return "V" + std::to_string(std::get<0>(info.param)) + kNames[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Versions, ArchiveMutation,
                         testing::Combine(testing::Values(1, 3),
                                          testing::Values(Damage::kTruncate, Damage::kFlip, Damage::kScatter)),
                         CaseName);

TEST(Mutation, TruncatedAndFlippedLzStreamsStayInBounds) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += static_cast<char>("abcabcXYZ\x01\xFE"[i % 11] + (i / 500));
    const std::string packed = PackLz(text);
    const auto capacity = static_cast<std::uint32_t>(text.size());
    std::vector<char> out(capacity);
    auto run = [&](const std::string& stream) {
        // Exactly sized buffers: the sanitizer sees any access outside them.
        std::vector<char> in(stream.begin(), stream.end());
        const std::int64_t r = UnpackLz(in.data(), static_cast<std::uint32_t>(in.size()), out.data(), capacity);
        EXPECT_TRUE(r == -1 || (r >= 0 && r <= capacity));
    };
    for (std::size_t cut = 0; cut < packed.size(); ++cut) run(packed.substr(0, cut));
    for (std::size_t at = 0; at < packed.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string bad = packed;
            bad[at] = static_cast<char>(bad[at] ^ (1 << bit));
            run(bad);
        }
    }
}

}  // namespace
