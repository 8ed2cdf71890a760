#include "data/datastring.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using velk::data::datastring;
using Text32 = datastring<32, char>;
using Text8 = datastring<8, char>;

namespace {

// The invariants every operation must keep.
template <unsigned N> void ExpectConsistent(const datastring<N, char>& s) {
    ASSERT_NE(s.Text(), nullptr);
    EXPECT_LE(s.Length(), s.Capacity());
    EXPECT_EQ(s.Capacity() % N, 0u);
    EXPECT_EQ(s.Text()[s.Length() - 1], '\0');
    EXPECT_EQ(std::string(s.Text()).size() + 1, s.Length());
}

} // namespace

TEST(DataString, DefaultIsEmptyAndZeroFilled) {
    Text32 s;
    EXPECT_EQ(s.Length(), 1u);
    EXPECT_EQ(s.Capacity(), 32u);
    EXPECT_EQ(s.Step(), 32u);
    for (unsigned i = 0; i < s.Capacity(); ++i) EXPECT_EQ(s.Text()[i], '\0') << i;
}

TEST(DataString, AppendingNothingKeepsEmptyString) {
    Text32 s;
    s.Append("").Append(static_cast<const char*>(nullptr));
    EXPECT_EQ(s.Length(), 1u);
    EXPECT_EQ(s.Capacity(), 32u);
    EXPECT_STREQ(s.Text(), "");
}

TEST(DataString, GrowsOnlyWhenTheTextNoLongerFits) {
    Text32 s;
    s.Append(std::string(31, 'a').c_str());
    EXPECT_EQ(s.Capacity(), 32u);
    EXPECT_EQ(s.Length(), 32u);
    s.Append('b');
    EXPECT_EQ(s.Capacity(), 64u);
    EXPECT_EQ(s.Length(), 33u);
    EXPECT_EQ(std::string(s.Text()), std::string(31, 'a') + "b");
    ExpectConsistent(s);
}

TEST(DataString, ManyAppendsKeepTextAndStepMultiples) {
    Text32 s;
    std::string expected;
    for (int i = 0; i < 500; ++i) {
        const std::string piece = std::to_string(i) + ",";
        s.Append(piece.c_str());
        expected += piece;
        ASSERT_EQ(s.Capacity(), (expected.size() + 1 + 31) / 32 * 32) << i;
    }
    EXPECT_EQ(std::string(s.Text()), expected);
    ExpectConsistent(s);
}

TEST(DataString, ShortStepVariantGrowsInEights) {
    Text8 s;
    EXPECT_EQ(s.Capacity(), 8u);
    s.Append("1234567");
    EXPECT_EQ(s.Capacity(), 8u);
    s.Append(16, "%d", 89);
    EXPECT_EQ(s.Capacity(), 16u);
    EXPECT_STREQ(s.Text(), "123456789");
    ExpectConsistent(s);
}

TEST(DataString, FormattedConstruction) {
    struct Case {
        unsigned maxLen;
        const char* expected;
        unsigned capacity;
    };
    // The formatted text is "value=12345" (11 characters).
    const Case cases[] = {
        {64, "value=12345", 64},
        {12, "value=12345", 32},
        {6, "value", 32},
        {1, "", 32},
        {0, "", 32},
        {33, "value=12345", 64},
    };
    for (const Case& c : cases) {
        Text32 s(c.maxLen, "value=%d", 12345);
        EXPECT_STREQ(s.Text(), c.expected) << c.maxLen;
        EXPECT_EQ(s.Capacity(), c.capacity) << c.maxLen;
        ExpectConsistent(s);
    }
    Text32 nullFormat(10, nullptr);
    EXPECT_STREQ(nullFormat.Text(), "");
    EXPECT_EQ(nullFormat.Length(), 1u);
}

TEST(DataString, FormattedAppendKeepsAtMostMaxLenMinusOne) {
    Text32 s;
    s.Append("x=");
    s.Append(4, "%s", "abcdef").Append(0, "%s", "ignored").Append(1, "%s", "ignored");
    s.Append(10, nullptr);
    EXPECT_STREQ(s.Text(), "x=abc");
    EXPECT_EQ(s.Length(), 6u);
}

TEST(DataString, AppendingItsOwnTextAcrossGrowth) {
    Text8 s;
    s.Append("abcde");
    s.Append(s.Text());
    EXPECT_STREQ(s.Text(), "abcdeabcde");
    s.Append(64, "%s|%s", s.Text(), s.Text());
    EXPECT_STREQ(s.Text(), "abcdeabcdeabcdeabcde|abcdeabcde");
    ExpectConsistent(s);
}

TEST(DataString, Tokenize) {
    struct Case {
        const char* text;
        const char* delimiters;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"a,,b", ",", {"a", "b"}},
        {",,lead,trail,,", ",", {"lead", "trail"}},
        {"one two\tthree", " \t", {"one", "two", "three"}},
        {"", ",", {}},
        {",,,", ",", {}},
        {"whole", "", {"whole"}},
    };
    for (const Case& c : cases) {
        Text32 s;
        s.Append(c.text);
        std::vector<Text32> out(1); // tokens are appended after what is already there
        EXPECT_EQ(s.Tokenize(out, c.delimiters), c.tokens.size()) << c.text;
        ASSERT_EQ(out.size(), c.tokens.size() + 1) << c.text;
        for (size_t i = 0; i < c.tokens.size(); ++i) {
            EXPECT_EQ(std::string(out[i + 1].Text()), c.tokens[i]) << c.text;
            ExpectConsistent(out[i + 1]);
        }
        EXPECT_EQ(std::string(s.Text()), c.text); // the source is not cut up
    }
}

TEST(DataString, CharAppendFromSeveralThreads) {
    std::vector<Text8> strings(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < strings.size(); ++t) {
        threads.emplace_back([&strings, t] {
            for (int i = 0; i < 300; ++i) strings[t].Append(static_cast<char>('a' + t));
        });
    }
    for (auto& t : threads) t.join();
    for (size_t t = 0; t < strings.size(); ++t) {
        EXPECT_EQ(std::string(strings[t].Text()), std::string(300, static_cast<char>('a' + t)));
    }
}

TEST(DataString, InitializeStartsOverWithRoundedCapacity) {
    struct Case {
        unsigned n;
        unsigned capacity;
    };
    const Case cases[] = {{0, 32}, {32, 32}, {33, 64}, {64, 64}, {100, 128}};
    for (const Case& c : cases) {
        Text32 s;
        s.Append("some earlier text");
        s.Initialize(c.n);
        EXPECT_EQ(s.Capacity(), c.capacity) << c.n;
        EXPECT_EQ(s.Length(), 1u);
        for (unsigned i = 0; i < s.Capacity(); ++i) ASSERT_EQ(s.Text()[i], '\0') << i;
    }
}

TEST(DataString, ClearWithAndWithoutShrink) {
    Text32 s;
    s.Append(std::string(100, 'z').c_str());
    ASSERT_EQ(s.Capacity(), 128u);
    s.Clear(false);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.Length(), 1u);
    EXPECT_EQ(s.Capacity(), 128u);
    s.Append("again");
    s.Clear(true);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.Capacity(), 32u);
    s.Append("after");
    EXPECT_STREQ(s.Text(), "after");
}

TEST(DataString, CopiesAndMovesOwnTheirBuffers) {
    Text32 original;
    original.Append(std::string(40, 'o').c_str());

    Text32 copy(original);
    EXPECT_NE(copy.Text(), original.Text());
    EXPECT_EQ(copy.Capacity(), original.Capacity());
    copy.Append("!");
    EXPECT_EQ(std::string(original.Text()), std::string(40, 'o'));

    Text32 assigned;
    assigned = original;
    original.Clear(true);
    EXPECT_EQ(std::string(assigned.Text()), std::string(40, 'o'));
    assigned = assigned; // self-assignment keeps the text
    EXPECT_EQ(std::string(assigned.Text()), std::string(40, 'o'));

    Text32 moved(std::move(assigned));
    EXPECT_EQ(std::string(moved.Text()), std::string(40, 'o'));
    ExpectConsistent(assigned); // the moved-from string is still usable
    assigned.Append("reused");
    EXPECT_STREQ(assigned.Text(), "reused");

    Text32 target;
    target = std::move(moved);
    EXPECT_EQ(std::string(target.Text()), std::string(40, 'o'));
    ExpectConsistent(moved);
}
