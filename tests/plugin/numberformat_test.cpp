#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "plugin/protocol/audioeffectx.h"

namespace {

class Formatter : public AudioEffectX {
public:
    Formatter() : AudioEffectX(nullptr, 1, 1) {}
    void process(float**, float**, VstInt32) override {}
    void setRate(float rate) { sampleRate = rate; }
};

struct Case {
    float value;
    const char* expected;
};

std::string Float(float value) {
    Formatter f;
    char text[32] = {};
    f.float2string(value, text);
    return text;
}

TEST(NumberFormat, FloatToStringFillsEightPositions) {
    const Case cases[] = {
        {1.5f, "1.500000"},       {-2.25f, "-2.25000"},     {0.0f, "0.000000"},
        {123.0f, "123.0000"},     {1234567.0f, "1234567."}, {9999999.0f, "9999999."},
        {-123456.0f, "-123456."}, {0.125f, "0.125000"},     {42.5f, "42.50000"},
    };
    for (const Case& c : cases) EXPECT_EQ(Float(c.value), c.expected) << c.value;
}

TEST(NumberFormat, FloatToStringDropsDigitsBeyondSeven) {
    // Positive values keep seven integer digits, negative ones six.
    EXPECT_EQ(Float(12345678.0f), "2345678.");
    EXPECT_EQ(Float(-1234567.0f), "-234567.");
}

TEST(NumberFormat, OutOfRangeAndNonFiniteValuesAreSafe) {
    EXPECT_EQ(Float(123456789.0f), "Huge!");
    EXPECT_EQ(Float(-12345678.0f), "Huge!");
    EXPECT_EQ(Float(INFINITY), "Huge!");
    EXPECT_EQ(Float(-INFINITY), "Huge!");
    EXPECT_EQ(Float(NAN), "NaN");
}

TEST(NumberFormat, LongToString) {
    Formatter f;
    char text[32];
    f.long2string(100000000, text);
    EXPECT_STREQ(text, "Huge!");
    f.long2string(42, text);
    EXPECT_STREQ(text, "     42");
    f.long2string(99999999, text);
    EXPECT_STREQ(text, "99999999");
    f.long2string(-123456789, text);
    EXPECT_STREQ(text, "-1234567"); // cut to eight characters
}

TEST(NumberFormat, DecibelsHertzAndMilliseconds) {
    Formatter f;
    f.setRate(48000.0f);
    char text[32];
    f.dB2string(0.0f, text);
    EXPECT_STREQ(text, "-oo");
    f.dB2string(-1.0f, text);
    EXPECT_STREQ(text, "-oo");
    f.dB2string(1.0f, text);
    EXPECT_STREQ(text, "0.000000");
    f.dB2string(10.0f, text);
    EXPECT_STREQ(text, "20.00000");
    f.Hz2string(0.0f, text);
    EXPECT_STREQ(text, "0.000000");
    f.Hz2string(480.0f, text);
    EXPECT_STREQ(text, "100.0000");
    f.ms2string(4800.0f, text);
    EXPECT_STREQ(text, "100.0000");
}

TEST(NumberFormat, NullBuffersAreIgnored) {
    Formatter f;
    f.float2string(1.0f, nullptr);
    f.long2string(1, nullptr);
    f.dB2string(1.0f, nullptr);
    f.Hz2string(1.0f, nullptr);
    f.ms2string(1.0f, nullptr);
    SUCCEED() << "no crash";
}

} // namespace
