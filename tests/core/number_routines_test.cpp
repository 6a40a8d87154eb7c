// Number routines (absolute values, truncating conversions, values held to a range,
// 128-bit multiply and divide
// checked against the compiler's 128-bit integers), the byte routines and the intrusive
// list.
#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "engine/core/byte_memory.h"
#include "engine/core/linked_list.h"
#include "engine/core/number_routines.h"

namespace {

using U128 = unsigned __int128;

U128 FromWords(const std::uint32_t words[4]) {
    return (static_cast<U128>(words[3]) << 96) | (static_cast<U128>(words[2]) << 64) |
           (static_cast<U128>(words[1]) << 32) | words[0];
}

void ToWords(U128 value, std::uint32_t words[4]) {
    for (int i = 0; i < 4; ++i) words[i] = static_cast<std::uint32_t>(value >> (32 * i));
}

bool SignBit(float value) { return std::signbit(value); }

}  // namespace

TEST(Numbers, AbsoluteValues) {
    EXPECT_EQ(AbsInt(5), 5);
    EXPECT_EQ(AbsInt(-5), 5);
    EXPECT_EQ(AbsInt(0), 0);
    EXPECT_EQ(AbsInt(INT32_MAX), INT32_MAX);
    EXPECT_EQ(AbsInt(-INT32_MAX), INT32_MAX);
    EXPECT_EQ(AbsInt(INT32_MIN), INT32_MIN);  // unchanged

    EXPECT_EQ(AbsFloat(-1.5f), 1.5f);
    EXPECT_EQ(AbsFloat(2.25f), 2.25f);
    EXPECT_TRUE(SignBit(AbsFloat(-0.0f)));  // only values below zero are negated
    EXPECT_FALSE(SignBit(AbsFloat(0.0f)));
    const float nan = -std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(std::isnan(AbsFloat(nan)));
    EXPECT_TRUE(SignBit(AbsFloat(nan)));
    EXPECT_EQ(AbsFloat(-std::numeric_limits<float>::infinity()), std::numeric_limits<float>::infinity());
}

TEST(Numbers, ConversionsTruncateTowardZeroInEveryRoundingMode) {
    struct Case {
        double value;
        std::int32_t result;
    };
    const Case cases[] = {
        {2.7, 2},           {-2.7, -2},           {2.5, 2},          {-2.5, -2},          {0.9999, 0},
        {-0.9999, 0},       {-0.0, 0},            {1e-30, 0},        {2147483520.0, 2147483520},
        {-2147483648.0, INT32_MIN},               {100.0, 100},      {-7.0, -7},
    };
    const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    const int saved = std::fegetround();
    for (int mode : modes) {
        std::fesetround(mode);
        for (const Case& c : cases) {
            EXPECT_EQ(FloatToInt(static_cast<float>(c.value)), c.result) << c.value << " mode " << mode;
            EXPECT_EQ(DoubleToInt(c.value), c.result) << c.value << " mode " << mode;
        }
    }
    std::fesetround(saved);
}

TEST(Numbers, DoubleConversionAtTheEdgesOfTheRange) {
    EXPECT_EQ(DoubleToInt(2147483647.0), INT32_MAX);
    EXPECT_EQ(DoubleToInt(2147483647.99), INT32_MAX);
    EXPECT_EQ(DoubleToInt(-2147483648.99), INT32_MIN);
    EXPECT_EQ(DoubleToInt(-2147483647.5), -2147483647);
}

TEST(Numbers, NaNAndOutOfRangeGiveTheIndefiniteInteger) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double doubles[] = {nan, -nan, inf, -inf, 2147483648.0, 4294967296.0, 1e300, -2147483649.0, -1e300};
    for (double value : doubles) EXPECT_EQ(DoubleToInt(value), INT32_MIN) << value;
    const float floats[] = {static_cast<float>(nan), static_cast<float>(inf), static_cast<float>(-inf),
                            2147483648.0f, 3e9f, -3e9f, 1e38f, -1e38f};
    for (float value : floats) EXPECT_EQ(FloatToInt(value), INT32_MIN) << value;
}

TEST(Numbers, ClampIntHoldsToTheBoundsWithTheLowBoundFirst) {
    struct Case {
        std::int32_t value, low, high, result;
    };
    const Case cases[] = {
        {-1, 0, 255, 0},
        {0, 0, 255, 0},
        {128, 0, 255, 128},
        {255, 0, 255, 255},
        {256, 0, 255, 255},
        {INT32_MIN, 0, 255, 0},
        {INT32_MAX, 0, 255, 255},
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN},
        {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX},
        // A reversed range (a target of negative width): below low gives low, else high.
        {-5, 0, -10, 0},
        {5, 0, -10, -10},
        {0, 0, -10, -10},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClampInt(c.value, c.low, c.high), c.result) << c.value << " in " << c.low << ".." << c.high;
    }
}

TEST(Numbers, HoldToIntKeepsSixtyFourBitSumsInTheIntRange) {
    struct Case {
        std::int64_t value;
        std::int32_t result;
    };
    const Case cases[] = {
        {0, 0},
        {-7, -7},
        {static_cast<std::int64_t>(INT32_MAX), INT32_MAX},
        {static_cast<std::int64_t>(INT32_MAX) + 1, INT32_MAX},
        {static_cast<std::int64_t>(INT32_MIN), INT32_MIN},
        {static_cast<std::int64_t>(INT32_MIN) - 1, INT32_MIN},
        {INT64_MAX, INT32_MAX},
        {INT64_MIN, INT32_MIN},
        {static_cast<std::int64_t>(INT32_MAX) + INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(HoldToInt(c.value), c.result) << c.value;
}

TEST(Numbers, HeldFloatAndDoubleConversionsTruncateAndHold) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct FloatCase {
        float value;
        std::int32_t result;
    };
    const FloatCase floats[] = {
        {0.0f, 0},
        {-0.0f, 0},
        {1.9f, 1},
        {-1.9f, -1},
        {2147483520.0f, 2147483520},     // the largest float below 2^31
        {2147483648.0f, INT32_MAX},      // 2^31: one past the range
        {-2147483648.0f, INT32_MIN},     // -2^31 itself
        {-2147483904.0f, INT32_MIN},     // the next float below it
        {1.0e20f, INT32_MAX},
        {-1.0e20f, INT32_MIN},
        {inf, INT32_MAX},
        {-inf, INT32_MIN},
        {nan, INT32_MIN},
        {-nan, INT32_MIN},
    };
    for (const FloatCase& c : floats) EXPECT_EQ(HoldFloatToInt(c.value), c.result) << c.value;

    struct DoubleCase {
        double value;
        std::int32_t low, high, result;
    };
    const DoubleCase doubles[] = {
        {5.75, 0, 10, 5},
        {-0.75, -1, 10, 0},  // truncated toward zero, not down
        {-1.5, -1, 10, -1},  // below low
        {10.5, 0, 10, 10},   // above high
        {10.0, 0, 10, 10},
        {2147483647.5, INT32_MIN, INT32_MAX, INT32_MAX},
        {-2147483648.5, INT32_MIN, INT32_MAX, INT32_MIN},
        {static_cast<double>(inf), 0, 100, 100},
        {static_cast<double>(-inf), 0, 100, 0},
        {static_cast<double>(nan), -3, 100, -3},
    };
    for (const DoubleCase& c : doubles) {
        EXPECT_EQ(HoldDoubleToRange(c.value, c.low, c.high), c.result) << c.value << " in " << c.low << ".." << c.high;
    }
}

TEST(Numbers, SquareRootAndSineCosine) {
    EXPECT_EQ(SqrtFloat(4.0f), 2.0f);
    EXPECT_EQ(SqrtFloat(2.0f), std::sqrt(2.0f));
    EXPECT_EQ(SqrtFloat(0.0f), 0.0f);
    float s = -9.0f, c = -9.0f;
    SinCosFloat(0.0f, &s, &c);
    EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(c, 1.0f);
    SinCosFloat(0.5f, &s, &c);
    EXPECT_EQ(s, static_cast<float>(std::sin(0.5)));
    EXPECT_EQ(c, static_cast<float>(std::cos(0.5)));
    SinCosFloat(-3.14159265f, &s, &c);
    EXPECT_NEAR(s, 0.0f, 1e-6f);
    EXPECT_NEAR(c, -1.0f, 1e-6f);
}

TEST(Numbers, MultiplyU64MatchesWideIntegers) {
    std::mt19937_64 random(12345);
    const std::uint64_t edges[] = {0, 1, 2, 0xFFFFFFFFull, 0x100000000ull, 1000000, 3579545,
                                   0x8000000000000000ull, ~0ull, ~0ull - 1};
    auto check = [](std::uint64_t a, std::uint64_t b) {
        std::uint32_t product[4] = {1, 2, 3, 4};
        MultiplyU64(&a, &b, product);
        const U128 expected = static_cast<U128>(a) * b;
        EXPECT_TRUE(FromWords(product) == expected) << a << " * " << b;
    };
    for (std::uint64_t a : edges) {
        for (std::uint64_t b : edges) check(a, b);
    }
    for (int i = 0; i < 20000; ++i) {
        // Vary the widths so carries across every word are met.
        const std::uint64_t a = random() >> (random() % 64);
        const std::uint64_t b = random() >> (random() % 64);
        check(a, b);
    }
}

TEST(Numbers, DivideU128ByU64MatchesWideIntegers) {
    std::mt19937_64 random(678);
    auto check = [](U128 n, std::uint64_t d) {
        std::uint32_t words[4];
        ToWords(n, words);
        std::uint64_t quotient = 0x5555;
        DivideU128ByU64(words, &d, &quotient);
        EXPECT_EQ(quotient, static_cast<std::uint64_t>(n / d))
            << static_cast<std::uint64_t>(n >> 64) << ":" << static_cast<std::uint64_t>(n) << " / " << d;
    };
    const U128 all = ~static_cast<U128>(0);
    const std::uint64_t divisors[] = {1, 2, 3, 1000000, 3579545, 0xFFFFFFFFull, 0x100000000ull,
                                      0x8000000000000000ull, ~0ull};
    const U128 dividends[] = {0, 1, 999999, static_cast<U128>(~0ull), static_cast<U128>(~0ull) + 1, all,
                              all >> 1, static_cast<U128>(3579545) * 1000000};
    for (U128 n : dividends) {
        for (std::uint64_t d : divisors) check(n, d);
    }
    for (int i = 0; i < 20000; ++i) {
        const U128 n = ((static_cast<U128>(random()) << 64) | random()) >> (random() % 128);
        std::uint64_t d = random() >> (random() % 64);
        if (d == 0) d = 1;
        check(n, d);
    }
    // Quotients wider than 64 bits keep their low 64 bits.
    check(all, 1);
    check(static_cast<U128>(5) << 70, 3);
}

TEST(Numbers, DivisionByZeroEndsWithAllBitsSet) {
    std::uint32_t words[4] = {1, 2, 3, 4};
    const std::uint64_t zero = 0;
    std::uint64_t quotient = 0;
    DivideU128ByU64(words, &zero, &quotient);
    EXPECT_EQ(quotient, ~0ull);
}

TEST(ByteMemory, MoveHandlesOverlapInBothDirections) {
    struct Case {
        int destination;
        int source;
        int n;
        std::string result;
    };
    const std::string start = "0123456789";
    const Case cases[] = {
        {1, 0, 9, "0012345678"},  // shifted up by one: copied last byte first
        {0, 1, 9, "1234567899"},  // shifted down by one
        {3, 0, 7, "0120123456"},
        {0, 3, 7, "3456789789"},
        {2, 2, 5, "0123456789"},  // the same place: nothing
        {0, 5, 5, "5678956789"},  // adjacent, no overlap
        {4, 0, 0, "0123456789"},
    };
    for (const Case& c : cases) {
        std::string bytes = start;
        MoveBytes(bytes.data() + c.destination, bytes.data() + c.source, static_cast<std::uint32_t>(c.n));
        EXPECT_EQ(bytes, c.result) << c.destination << " <- " << c.source << " x" << c.n;
    }
}

TEST(ByteMemory, FillCopyCompare) {
    unsigned char block[8];
    FillBytes(block, 0x1AB, sizeof block);  // only the low byte counts
    for (unsigned char b : block) EXPECT_EQ(b, 0xAB);
    FillBytes(block, 0, 0);
    EXPECT_EQ(block[0], 0xAB);

    unsigned char copy[8] = {};
    CopyBytes(copy, "abcdefgh", 8);
    EXPECT_EQ(std::memcmp(copy, "abcdefgh", 8), 0);
    CopyBytes(copy, "zz", 0);
    EXPECT_EQ(copy[0], 'a');

    EXPECT_EQ(CompareMemory("abc", "abc", 3), 0);
    EXPECT_EQ(CompareMemory("abc", "abd", 3), 1);
    EXPECT_EQ(CompareMemory("abc", "abd", 2), 0);
    EXPECT_EQ(CompareMemory("a", "b", 0), 0);
    EXPECT_EQ(CompareMemory("\x80", "\x00", 1), 1);

    EXPECT_EQ(CompareBytesN("abc", "abc", 3), 0);
    EXPECT_EQ(CompareBytesN("abc", "abx", 3), 1);
    EXPECT_EQ(CompareBytesN("a", "b", 0), 0);
    EXPECT_EQ(CompareBytesN("a", "a", -1), 1);
    EXPECT_EQ(CompareBytesN("a", "a", INT32_MIN), 1);
}

TEST(LinkedList, InsertAfterAnchorAndRemove) {
    ListNode head, tail, a, b, c;
    EXPECT_EQ(InitLinkedList(&head, &tail), 0);
    EXPECT_EQ(head.value, 0xFFFFFFFFu);
    EXPECT_EQ(tail.value, 0xFFFFFFFFu);
    EXPECT_EQ(head.owner, 0u);
    EXPECT_EQ(head.previous, nullptr);
    EXPECT_EQ(head.next, &tail);
    EXPECT_EQ(tail.previous, &head);
    EXPECT_EQ(tail.next, nullptr);

    EXPECT_EQ(InsertListNode(&head, &a, 1, 10), 0);  // head as anchor: goes first
    EXPECT_EQ(InsertListNode(&head, &b, 2, 20), 0);
    EXPECT_EQ(InsertListNode(&b, &c, 3, 30), 0);     // after b
    // head, b, c, a, tail
    std::string order;
    for (ListNode* n = head.next; n != &tail; n = n->next) order += std::to_string(n->value);
    EXPECT_EQ(order, "231");
    std::string backward;
    for (ListNode* n = tail.previous; n != &head; n = n->previous) backward += std::to_string(n->value);
    EXPECT_EQ(backward, "132");
    EXPECT_EQ(c.owner, 30u);

    EXPECT_EQ(RemoveListNode(&c), 0);
    EXPECT_EQ(c.previous, &b);  // the removed node itself is not changed
    EXPECT_EQ(c.next, &a);
    EXPECT_EQ(b.next, &a);
    EXPECT_EQ(a.previous, &b);
    RemoveListNode(&b);
    RemoveListNode(&a);
    EXPECT_EQ(head.next, &tail);
    EXPECT_EQ(tail.previous, &head);
}
