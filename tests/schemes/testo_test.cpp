// Windows-1252 texts and numbers with the decimal point.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>

#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"
#include "support/manca.h"

using namespace lumetto::schemes;

TEST(Cp1252, BytesToUtf8) {
    struct Caso {
        const char* cp1252;
        const char* utf8;
    } casi[] = {
        {"temp", "temp"},
        {"\x80", "\xE2\x82\xAC"},  // euro sign, where Latin-1 has a control
        {"\x8A", "\xC5\xA0"},      // S caron
        {"\x92", "\xE2\x80\x99"},  // right quote
        {"\x9F", "\xC5\xB8"},      // Y diaeresis
        {"\x81", "\xC2\x81"},      // undefined: kept as the control of the same number
        {"\xA0", "\xC2\xA0"},
        {"\xB0"
         "C",
         "\xC2\xB0"
         "C"},
        {"perch\xE8", "perch\xC3\xA8"},
        {"\xFF", "\xC3\xBF"},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(utf8dacp1252(c.cp1252), c.utf8) << c.cp1252;
        EXPECT_EQ(cp1252dautf8(c.utf8), c.cp1252) << c.cp1252;
    }
}

TEST(Cp1252, EveryByteComesBack) {
    std::string tutti;
    for (int b = 1; b < 256; ++b)
        tutti += static_cast<char>(b);
    tutti += '\0';
    EXPECT_EQ(cp1252dautf8(utf8dacp1252(tutti)), tutti);
}

TEST(Cp1252, WhatItCannotHoldBecomesQuestionMarks) {
    struct Caso {
        std::string utf8;
        std::string cp1252;
    } casi[] = {
        {"\xE2\x9C\x93", "?"},  // check mark: no such byte
        {"a\xF0\x9F\x98\x80"
         "b",
         "a?b"},                  // outside the basic plane
        {"\xC2\x80", "?"},        // U+0080 is not the byte 0x80 (that is the euro)
        {"\xFF", "?"},            // never a UTF-8 byte
        {"\xC0\xAF", "??"},       // overlong '/'
        {"\xED\xA0\x80", "???"},  // surrogate
        {"\xE2\x82"
         "A",
         "?A"},                        // cut sequence counts once
        {"\xE2\x82", "?"},             // cut at the end of the text
        {"\xAC", "?"},                 // continuation byte alone
        {"\xF4\x90\x80\x80", "????"},  // above U+10FFFF
    };
    for (const auto& c : casi)
        EXPECT_EQ(cp1252dautf8(c.utf8), c.cp1252) << testing::PrintToString(c.utf8);
}

TEST(LeggiReale, WholeTextsOnly) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Caso {
        const char* testo;
        std::optional<double> valore;
    } casi[] = {
        {"12.9", 12.9},         {"  -0.5", -0.5},      {"+7", 7},
        {" 120 ", 120},         {".5", 0.5},           {"5.", 5},
        {"1e3", 1000},          {"2.5E-1", 0.25},      {"1e999", inf},
        {"-1e999", -inf},       {"1e-999", 0.0},       {"0.0000e999", 0.0},
        {"", std::nullopt},     {"   ", std::nullopt}, {"-", std::nullopt},
        {".", std::nullopt},    {"1,5", std::nullopt}, {"12abc", std::nullopt},
        {"1e", std::nullopt},   {"inf", std::nullopt}, {"nan", std::nullopt},
        {"0x10", std::nullopt}, {"+-1", std::nullopt}, {"\t1", std::nullopt},
    };
    for (const auto& c : casi)
        EXPECT_EQ(leggireale(c.testo), c.valore) << '"' << c.testo << '"';
}

TEST(ScriviReale, RightAlignedNeverCut) {
    EXPECT_EQ(scrivireale(23.46, 1, 6), "  23.5");
    // Halves round away from zero as the number is written, whatever its
    // binary value: 23.45 is 23.4499... in a double.
    EXPECT_EQ(scrivireale(23.45, 1, 6), "  23.5");
    EXPECT_EQ(scrivireale(0.15, 1, 6), "   0.2");
    EXPECT_EQ(scrivireale(-2.25, 1, 6), "  -2.3");
    EXPECT_EQ(scrivireale(12.5, 0, 7), "     13");
    EXPECT_EQ(scrivireale(9.95, 1, 6), "  10.0");
    EXPECT_EQ(scrivireale(999.9996, 3, 6), "1000.000");
    EXPECT_EQ(scrivireale(0.0005, 3, 6), " 0.001");
    EXPECT_EQ(scrivireale(2.5e-7, 3, 6), " 0.000");
    EXPECT_EQ(scrivireale(7, 1, 6), "   7.0");
    EXPECT_EQ(scrivireale(1e22, 0, 1), "10000000000000000000000");
    EXPECT_EQ(scrivireale(2.5, 3, 6), " 2.500");
    EXPECT_EQ(scrivireale(-123456.78, 1, 6), "-123456.8");
    EXPECT_EQ(scrivireale(1e300, 1, 6).size(), 303u);
    EXPECT_EQ(allinea("120", 6), "   120");
    EXPECT_EQ(allinea("1234567", 6), "1234567");
}

// The program runs under the user's locale; an Italian one writes a comma.
TEST(Locale, ItalianLocaleChangesNoNumber) {
    const std::string prima = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "it_IT.UTF-8"))
        return lumetto::prove::manca("it_IT.UTF-8 not installed");
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(leggireale(" 12.5"), 12.5);
    EXPECT_EQ(leggireale("12,5"), std::nullopt);
    EXPECT_EQ(formattavalore(23.46, '1'), "  23.5");
    EXPECT_EQ(formattavalore(2.5, '3'), " 2.500");
    Schema s;
    s.testata = "temp..";
    dividitestata(s);
    s.condizione(1) = "1>2.5";
    EXPECT_EQ(valutacondizioni(s, 1, 2.6), 1);
    std::setlocale(LC_ALL, prima.c_str());
}
