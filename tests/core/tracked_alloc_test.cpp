// The tracked allocator: its dump and trace lines, the corruption report, list order,
// resize and serial rules, refused sizes, and use from several threads at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/text_log.h"
#include "engine/core/tracked_alloc.h"
#include "platform/testing/manual_clock.h"
#include "tests/core/scoped_value.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/temp_dir.h"

namespace {

void StartLogHere() {
    SetLogFileOutput(1);
    SetLogDirectory(std::filesystem::current_path().string().c_str());
    StartLogFile();
}

std::string ReadLog() {
    std::FILE* file = std::fopen("Log.txt", "rb");
    if (file == nullptr) return "";
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
    std::fclose(file);
    return out;
}

// The addr field of a block's record: the low 32 bits of the caller's address.
std::string Addr(const void* block) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(block)));
    return text;
}

TrackedAllocHeader* HeaderOf(void* block) { return static_cast<TrackedAllocHeader*>(block) - 1; }

// The serial IDs of the record lines in `log`, in order.
std::vector<int> RecordIds(const std::string& log) {
    std::vector<int> ids;
    const std::regex id(R"(  ID:(\d+)  addr:)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), id); it != std::sregex_iterator(); ++it) {
        ids.push_back(std::stoi((*it)[1].str()));
    }
    return ids;
}

std::vector<int> DumpIds() {
    StartLogFile();
    DumpAllocations();
    return RecordIds(ReadLog());
}

}  // namespace

TEST(TrackedAlloc, DumpListsEveryLiveBlockNewestFirst) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();

    auto* a = static_cast<char*>(TrackedAlloc(3, "", 0));
    std::memcpy(a, "abc", 3);
    auto* b = static_cast<unsigned char*>(TrackedAlloc(20, "abcdefghijklmnopqrst", 1234));
    const unsigned char b_bytes[20] = {'H', 'i', 0x00, 0x1F, ' ', '~', 0x7F, 0x80, 0xFF, '\n',
                                       '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    std::memcpy(b, b_bytes, sizeof b_bytes);
    void* c = TrackedAlloc(0, nullptr, -1);
    auto* d = static_cast<char*>(TrackedAlloc(1536, "x.cpp", 7));
    std::memset(d, 'Z', 1536);
    DumpAllocations();

    const std::string expected =
        // A size-0 block is traced even with every switch at its default.
        "0:mem alloc  \tsize:0(0.000kb)  file:  line:65535  ID:2  addr:" + Addr(c) + "  data:<> ]\r\n" +
        "0:\r\n"
        "0:Alloc memory dump\r\n"
        "0:\tsize:1536(1.500kb)  file:x.cpp  line:7  ID:3  addr:" + Addr(d) +
        "  data:<ZZZZZZZZZZZZZZZZ> [5a 5a 5a 5a 5a 5a 5a 5a 5a 5a 5a 5a 5a 5a 5a 5a]\r\n"
        "0:\tsize:0(0.000kb)  file:  line:65535  ID:2  addr:" + Addr(c) + "  data:<> ]\r\n" +
        "0:\tsize:20(0.020kb)  file:fghijklmnopqrst  line:1234  ID:1  addr:" + Addr(b) +
        "  data:<Hi.. ~\x7f...012345> [48 69 00 1f 20 7e 7f 80 ff 0a 30 31 32 33 34 35]\r\n"
        "0:\tsize:3(0.003kb)  file:  line:0  ID:0  addr:" + Addr(a) + "  data:<abc> [61 62 63]\r\n" +
        "0:\tTotal size:1559(1.522kb)  Alloc num:4\r\n"
        "0:\r\n";
    EXPECT_EQ(ReadLog(), expected);

    TrackedFree(a);
    TrackedFree(b);
    TrackedFree(d);
    TrackedFree(c);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
    EXPECT_EQ(TrackedTotalBytes(), 0);
}

TEST(TrackedAlloc, SourceNameKeepsItsLastFifteenCharacters) {
    void* long_name = TrackedAlloc(1, "engine/core/abcdefghijklmnopqrst.cpp", 0);
    void* exact = TrackedAlloc(1, "123456789012345", 0);
    void* none = TrackedAlloc(1, nullptr, 0);
    EXPECT_STREQ(HeaderOf(long_name)->source_name, "jklmnopqrst.cpp");
    EXPECT_STREQ(HeaderOf(exact)->source_name, "123456789012345");
    EXPECT_STREQ(HeaderOf(none)->source_name, "");
    TrackedFree(long_name);
    TrackedFree(exact);
    TrackedFree(none);
}

TEST(TrackedAlloc, ListOrderFollowsFreesAndTheSentinelComesBack) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    void* a = TrackedAlloc(1, "", 0);  // ID 0
    void* b = TrackedAlloc(2, "", 0);  // ID 1
    void* c = TrackedAlloc(3, "", 0);  // ID 2
    EXPECT_EQ(DumpIds(), (std::vector<int>{2, 1, 0}));
    TrackedFree(c);  // the newest: its predecessor becomes the newest
    void* d = TrackedAlloc(4, "", 0);  // ID 3
    EXPECT_EQ(DumpIds(), (std::vector<int>{3, 1, 0}));
    TrackedFree(b);  // from the middle
    EXPECT_EQ(DumpIds(), (std::vector<int>{3, 0}));
    TrackedFree(a);  // the oldest
    TrackedFree(d);
    EXPECT_EQ(DumpIds(), std::vector<int>{});
    EXPECT_EQ(CheckAllocations(), 0);
    void* e = TrackedAlloc(5, "", 0);  // the list starts again from the sentinel
    EXPECT_EQ(DumpIds(), std::vector<int>{4});
    EXPECT_NE(ReadLog().find("0:\tTotal size:5(0.005kb)  Alloc num:1\r\n"), std::string::npos);
    TrackedFree(e);
    EXPECT_EQ(CheckAllocations(), 0);
}

TEST(TrackedAlloc, CorruptionReportNamesTheNewestDamagedHeader) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    auto* a = static_cast<char*>(TrackedAlloc(3, "", 0));
    std::memcpy(a, "abc", 3);
    auto* b = static_cast<char*>(TrackedAlloc(4, "", 0));
    std::memcpy(b, "wxyz", 4);
    EXPECT_EQ(CheckAllocations(), 0);
    EXPECT_EQ(ReadLog(), "");

    HeaderOf(a)->source_line = 77;
    HeaderOf(b)->source_line = 99;
    EXPECT_EQ(CheckAllocations(), -1);
    EXPECT_EQ(ReadLog(), "0:以下のメモリ確保情報が破損しました\tsize:4(0.004kb)  file:  line:99  ID:1  addr:" +
                             Addr(b) + "  data:<wxyz> [77 78 79 7a]\r\n");

    HeaderOf(b)->source_line = 0;
    StartLogFile();
    EXPECT_EQ(CheckAllocations(), -1);
    EXPECT_EQ(ReadLog(), "0:以下のメモリ確保情報が破損しました\tsize:3(0.003kb)  file:  line:77  ID:0  addr:" +
                             Addr(a) + "  data:<abc> [61 62 63]\r\n");

    HeaderOf(a)->source_line = 0;
    EXPECT_EQ(CheckAllocations(), 0);
    TrackedFree(a);
    TrackedFree(b);
}

TEST(TrackedAlloc, ReportOfADamagedHeaderReadsNothingPastTheBlock) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    auto* a = static_cast<char*>(TrackedAlloc(3, "", 0));
    std::memcpy(a, "abc", 3);
    TrackedAllocHeader* header = HeaderOf(a);
    const TrackedAllocHeader saved = *header;
    header->size = 1000000;
    std::memset(header->source_name, 'N', sizeof header->source_name);  // no NUL left
    EXPECT_EQ(CheckAllocations(), -1);
    EXPECT_EQ(ReadLog(), "0:以下のメモリ確保情報が破損しました\tsize:1000000(976.562kb)  file:NNNNNNNNNNNNNNN  "
                         "line:0  ID:0  addr:" + Addr(a) + "  data:<abc> [61 62 63]\r\n");
    *header = saved;
    EXPECT_EQ(CheckAllocations(), 0);
    TrackedFree(a);
}

TEST(TrackedAlloc, CheckEveryCallReportsDamageOnTheNextCall) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    const ScopedValue<AllocTrackerSwitches> kept(*GetAllocTrackerSwitches());
    GetAllocTrackerSwitches()->check_every_call = 1;
    void* a = TrackedAlloc(1, "", 0);
    void* b = TrackedAlloc(1, "", 0);
    EXPECT_EQ(ReadLog(), "");
    // Damage to a block that is not the newest (linking a new block rewrites the
    // newest one's mirror).
    HeaderOf(a)->size = 2;
    void* c = TrackedAlloc(1, "", 0);
    const std::string log = ReadLog();
    EXPECT_EQ(log.find("0:以下のメモリ確保情報が破損しました\tsize:2(0.002kb)  file:  line:0  ID:0  addr:" + Addr(a)), 0u)
        << log;
    HeaderOf(a)->size = 1;
    GetAllocTrackerSwitches()->check_every_call = 0;
    TrackedFree(c);
    TrackedFree(b);
    TrackedFree(a);
}

TEST(TrackedAlloc, DefaultSwitchesTraceOnlyZeroSizeBlocks) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    void* five = TrackedAlloc(5, "", 0);  // ID 0: not traced
    EXPECT_EQ(ReadLog(), "");
    void* zero = TrackedAlloc(0, "t.cpp", 3);  // ID 1
    void* moved = TrackedRealloc(five, 0, "r.cpp", 4);  // ID 2, now 0 bytes
    void* grown = TrackedRealloc(moved, 8, "g.cpp", 5);  // ID 3, tested with the new size: not traced
    TrackedFree(zero);
    TrackedFree(grown);  // 8 bytes: not traced
    EXPECT_EQ(ReadLog(), "0:mem alloc  \tsize:0(0.000kb)  file:t.cpp  line:3  ID:1  addr:" + Addr(zero) +
                             "  data:<> ]\r\n"
                             "0:mem realloc  \tsize:0(0.000kb)  file:r.cpp  line:4  ID:2  addr:" +
                             Addr(moved) + "  data:<> ]\r\n" +
                             "0:mem free  \tsize:0(0.000kb)  file:t.cpp  line:3  ID:1  addr:" + Addr(zero) +
                             "  data:<> ]\r\n");
}

TEST(TrackedAlloc, TraceSwitchesSelectBlocksAndAddTotals) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    AllocTrackerSwitches* switches = GetAllocTrackerSwitches();
    const ScopedValue<AllocTrackerSwitches> kept(*switches);
    switches->trace_size = 2;
    auto* one = static_cast<char*>(TrackedAlloc(1, "", 0));  // ID 0: not traced
    auto* two = static_cast<char*>(TrackedAlloc(2, "", 0));  // ID 1: traced
    switches->trace_size = 0;
    switches->log_totals_every_call = 1;
    TrackedFree(one);  // totals only
    // The new block's bytes are not defined yet; the rest of the lines is.
    const std::string log = ReadLog();
    const std::string head = "0:mem alloc  \tsize:2(0.002kb)  file:  line:0  ID:1  addr:" + Addr(two) + "  data:<";
    const std::string tail = "]\r\n0:\tTotal size:2(0.002kb)  Alloc num:1\r\n";
    EXPECT_EQ(log.compare(0, head.size(), head), 0) << log;
    ASSERT_GE(log.size(), head.size() + tail.size());
    EXPECT_EQ(log.compare(log.size() - tail.size(), tail.size(), tail), 0) << log;
    EXPECT_EQ(log.size(), head.size() + 2 + 3 + 5 + tail.size()) << log;  // 2 characters, "> [", "xx xx"
    switches->log_totals_every_call = 0;
    switches->log_every_call = 1;
    StartLogFile();
    std::memcpy(two, "hi", 2);
    TrackedFree(two);
    EXPECT_EQ(ReadLog(),
              "0:mem free  \tsize:2(0.002kb)  file:  line:0  ID:1  addr:" + Addr(two) + "  data:<hi> [68 69]\r\n");
}

TEST(TrackedAlloc, LogWritersOwnTemporaryBlocksShowLine65535) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    const ScopedValue<AllocTrackerSwitches> kept(*GetAllocTrackerSwitches());
    GetAllocTrackerSwitches()->trace_size = -1;  // trace every block
    const std::string text = std::string(300, 'q') + "\n";
    WriteLogText(text.c_str());
    GetAllocTrackerSwitches()->trace_size = 0;
    const std::string log = ReadLog();
    // 301 bytes take a 2 * 301 + 1 byte block.
    const std::string alloc_line = "0:mem alloc  \tsize:603(0.589kb)  file:  line:65535  ID:0  addr:";
    EXPECT_EQ(log.find(alloc_line), 0u) << log;
    EXPECT_NE(log.find("\r\n0:" + std::string(300, 'q') + "\r\n0:mem free  \tsize:603(0.589kb)  file:  line:65535  "
                                                          "ID:0  addr:"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("  data:<qqqqqqqqqqqqqqqq> [71 71 71 71 71 71 71 71 71 71 71 71 71 71 71 71]\r\n"),
              std::string::npos);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(TrackedAlloc, ResizeKeepsPlaceAndCountButTakesANewSerial) {
    auto* a = static_cast<unsigned char*>(TrackedAlloc(4, "a", 1));  // ID 0
    std::memcpy(a, "abcd", 4);
    void* b = TrackedAlloc(2, "b", 2);  // ID 1
    auto* grown = static_cast<unsigned char*>(TrackedRealloc(a, 10, "grow.cpp", 3));  // ID 2
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::memcmp(grown, "abcd\0\0\0\0\0\0", 10), 0);  // growth is zero-filled
    EXPECT_EQ(HeaderOf(grown)->serial_id, 2);
    EXPECT_STREQ(HeaderOf(grown)->source_name, "grow.cpp");
    EXPECT_EQ(HeaderOf(grown)->source_line, 3);
    EXPECT_EQ(TrackedLiveBlockCount(), 2);
    EXPECT_EQ(TrackedTotalBytes(), 12);
    // Still the older of the two.
    EXPECT_EQ(HeaderOf(b)->previous, HeaderOf(grown));
    EXPECT_EQ(HeaderOf(grown)->next, HeaderOf(b));

    // Resizing the newest keeps it the newest.
    void* b2 = TrackedRealloc(b, 1000, "b", 2);  // ID 3
    void* c = TrackedAlloc(1, "c", 4);  // ID 4
    EXPECT_EQ(HeaderOf(c)->previous, HeaderOf(b2));
    EXPECT_EQ(HeaderOf(b2)->previous, HeaderOf(grown));

    auto* shrunk = static_cast<unsigned char*>(TrackedRealloc(grown, 2, "s", 5));  // ID 5
    EXPECT_EQ(std::memcmp(shrunk, "ab", 2), 0);
    EXPECT_EQ(TrackedTotalBytes(), 2 + 1000 + 1);
    EXPECT_EQ(CheckAllocations(), 0);

    void* fresh = TrackedRealloc(nullptr, 7, "n.cpp", 6);  // a null address allocates: ID 6
    EXPECT_EQ(HeaderOf(fresh)->serial_id, 6);
    EXPECT_EQ(HeaderOf(fresh)->previous, HeaderOf(c));
    EXPECT_EQ(TrackedLiveBlockCount(), 4);

    TrackedFree(shrunk);
    TrackedFree(b2);
    TrackedFree(c);
    TrackedFree(fresh);
    TrackedFree(nullptr);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
    EXPECT_EQ(TrackedTotalBytes(), 0);
}

TEST(TrackedAlloc, SerialWrapsAfter65536Allocations) {
    for (int i = 0; i < 65535; ++i) TrackedFree(TrackedAlloc(1, "", 0));
    void* last = TrackedAlloc(1, "", 0);
    void* wrapped = TrackedAlloc(1, "", 0);
    EXPECT_EQ(HeaderOf(last)->serial_id, 65535);
    EXPECT_EQ(HeaderOf(wrapped)->serial_id, 0);
    TrackedFree(last);
    TrackedFree(wrapped);
}

TEST(TrackedAlloc, CallocZeroFills) {
    auto* block = static_cast<unsigned char*>(TrackedCalloc(64, "", 0));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
    TrackedFree(block);
}

TEST(TrackedAlloc, SizesThatWouldWrapAreRefused) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    auto* kept = static_cast<char*>(TrackedAlloc(3, "", 0));
    std::memcpy(kept, "abc", 3);
    const std::uint32_t wrapping[] = {0xFFFFFFFFu, 0xFFFFFFFFu - kTrackedHeaderBytes + 1};
    for (std::uint32_t size : wrapping) {
        StartLogFile();
        EXPECT_EQ(TrackedAlloc(size, "", 0), nullptr) << size;
        // The failure leaves the dump in the log.
        EXPECT_EQ(ReadLog(), "0:\r\n0:Alloc memory dump\r\n0:\tsize:3(0.003kb)  file:  line:0  ID:0  addr:" +
                                 Addr(kept) + "  data:<abc> [61 62 63]\r\n" +
                                 "0:\tTotal size:3(0.003kb)  Alloc num:1\r\n0:\r\n");
        EXPECT_EQ(TrackedCalloc(size, "", 0), nullptr);
        EXPECT_EQ(TrackedRealloc(kept, size, "", 0), nullptr);
        EXPECT_EQ(std::memcmp(kept, "abc", 3), 0);  // the old block stays valid
        EXPECT_EQ(TrackedLiveBlockCount(), 1);
        EXPECT_EQ(TrackedTotalBytes(), 3);
        EXPECT_EQ(CheckAllocations(), 0);
    }
    TrackedFree(kept);
}

TEST(TrackedAlloc, SeveralThreadsAllocatingAtOnceKeepTheListConsistent) {
    constexpr int kThreads = 8;
    constexpr int kKeptPerThread = 5;
    const ScopedValue<AllocTrackerSwitches> kept_switches(*GetAllocTrackerSwitches());
    GetAllocTrackerSwitches()->check_every_call = 1;
    std::vector<std::vector<void*>> kept(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &kept] {
            std::mt19937 random(static_cast<unsigned>(t) + 1);
            std::vector<void*> live;
            for (int i = 0; i < 1500; ++i) {
                const auto size = static_cast<std::uint32_t>(1 + random() % 100);
                const unsigned choice = random() % 4;
                if (choice < 2 || live.empty()) {
                    live.push_back(TrackedAlloc(size, "thread", static_cast<std::int16_t>(t)));
                } else if (choice == 2) {
                    const std::size_t k = random() % live.size();
                    TrackedFree(live[k]);
                    live.erase(live.begin() + static_cast<std::ptrdiff_t>(k));
                } else {
                    const std::size_t k = random() % live.size();
                    live[k] = TrackedRealloc(live[k], size, "thread", static_cast<std::int16_t>(t));
                }
            }
            while (live.size() > kKeptPerThread) {
                TrackedFree(live.back());
                live.pop_back();
            }
            while (live.size() < kKeptPerThread) live.push_back(TrackedAlloc(1, "thread", 0));
            kept[static_cast<std::size_t>(t)] = live;
        });
    }
    for (auto& thread : threads) thread.join();
    GetAllocTrackerSwitches()->check_every_call = 0;

    std::int32_t expected_bytes = 0;
    for (const auto& live : kept) {
        for (void* block : live) expected_bytes += static_cast<std::int32_t>(HeaderOf(block)->size);
    }
    EXPECT_EQ(TrackedLiveBlockCount(), kThreads * kKeptPerThread);
    EXPECT_EQ(TrackedTotalBytes(), expected_bytes);
    EXPECT_EQ(CheckAllocations(), 0);
    // The list holds exactly the kept blocks.
    int listed = 0;
    for (const TrackedAllocHeader* h = HeaderOf(kept[0][0]); h->next != nullptr; h = h->next) ++listed;
    for (const TrackedAllocHeader* h = HeaderOf(kept[0][0]); h->previous != nullptr; h = h->previous) ++listed;
    EXPECT_EQ(listed, kThreads * kKeptPerThread);  // every block but the starting one, plus the sentinel

    for (const auto& live : kept) {
        for (void* block : live) TrackedFree(block);
    }
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
    EXPECT_EQ(TrackedTotalBytes(), 0);
}
