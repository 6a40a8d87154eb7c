// Engine strings are stored as Shift-JIS bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(ExecCharset, JapaneseLiteralIsShiftJis) {
    const std::string so = "ソ";
    ASSERT_EQ(so.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(so[0]), 0x83);
    EXPECT_EQ(static_cast<unsigned char>(so[1]), 0x5C);  // the trail byte is '\'
    const std::string line = "ソフトウエアレンダリングモードに変更します\n";
    EXPECT_EQ(line.size(), 21u * 2 + 1);
}

TEST(ExecCharset, Utf8LiteralStaysUtf8) {
    const char* so = reinterpret_cast<const char*>(u8"ソ");
    EXPECT_EQ(std::strlen(so), 3u);
    EXPECT_EQ(static_cast<unsigned char>(so[0]), 0xE3);
}
