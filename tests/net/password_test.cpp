#include "net/password.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

TEST(Password, DigestTextsOfKnownTexts) {
    const struct {
        std::string text;
        std::string digest;
    } cases[] = {
        {"", "[l$4G(=U'pZ!N\"(0G(dd$J.\""},
        {"a", "}G(}G(b/#]~%<G(.H(QG(bG("},
        {"abc", "tF(nc\"wF(,G(/F\"(b\"oG(LG("},
    };
    for (const auto& c : cases) EXPECT_EQ(scramble(c.text, kScrambleDigest), c.digest) << c.text;
}

TEST(Password, DigestTextIsAlways24PrintableCharacters) {
    std::string text;
    for (int n = 0; n < 70; ++n) {
        const std::string d = scramble(text, kScrambleDigest);
        ASSERT_EQ(d.size(), 24u);
        for (char c : d) EXPECT_TRUE(c >= '!' && c <= '~') << text;
        text += static_cast<char>(0x80 + n);  // bytes above 0x7F and zero bytes go in whole
        if (n % 9 == 0) text += '\0';
    }
}

// The second byte of a pair is widened as a signed byte: 0x85 makes the high byte 0xFF.
TEST(Password, DigestTextWidensTheSecondByteOfAPairSigned) {
    md2_digest d{};
    d[0] = 0xDA;
    d[1] = 0x85;  // v = 0xFF85 = 65413
    d[2] = 0x3B;
    d[3] = 0x0D;  // v = 0x3B0D
    EXPECT_EQ(digest_text(d).substr(0, 6), "tF(nc\"");
}

TEST(Password, XorScramblingIsItsOwnInverseAndSkipsEvery33rdByte) {
    std::string text(40, 'a');
    text[33] = 'Q';
    const std::string once = scramble(text, kScrambleXor);
    ASSERT_EQ(once.size(), 40u);
    EXPECT_EQ(once[0], static_cast<char>('a' ^ 'Q'));
    EXPECT_EQ(once[32], 'a');
    EXPECT_EQ(once[33], '\0');  // 'Q' XOR the key's first character: a zero byte inside the text
    EXPECT_EQ(scramble(once, kScrambleXor), text);
    EXPECT_EQ(scramble("", kScrambleXor), "");
}

TEST(Password, UnknownModesGiveTheTextBack) {
    for (int32_t mode : {-1, 2, 77}) EXPECT_EQ(scramble("secret", mode), "secret");
}

}  // namespace
}  // namespace kv
