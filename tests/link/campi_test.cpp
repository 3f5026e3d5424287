// Reply frames cut into fields and fields into numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "link/campi.h"

using namespace lumetto::link;

namespace {

std::vector<std::string> campiDi(std::string_view testo) {
    auto c = dividicampi(testo);
    std::vector<std::string> v;
    for (auto& s : c)
        if (!s.empty()) v.push_back(s);
    return v;
}

}  // namespace

TEST(DividiCampi, FieldsEndAtBlanksKindChangesAndRunsOfSix) {
    struct Caso {
        const char* testo;
        std::vector<std::string> campi;
    } casi[] = {
        {"  23.5  45.1", {"23.5", "45.1"}},
        {"HHHHHHLLLLLL", {"HHHHHH", "LLLLLL"}},
        {"12HH", {"12", "HH"}},
        {"-12.5HHHHHH", {"-12.5", "HHHHHH"}},
        {"1234567", {"123456", "7"}},
        {"100.12110.18119.87", {"100.12", "110.18", "119.87"}},
        {" 18.52 54.87 20.00HHHHHH\r\n", {"18.52", "54.87", "20.00", "HHHHHH"}},
        {"\n12.5 3", {"3"}},  // no field is current yet when the number comes: it is lost
        {" 12.5 3", {"12.5", "3"}},
        {"1a2", {"12"}},  // other characters neither start nor end a field
        {"", {}},
    };
    for (const auto& c : casi)
        EXPECT_EQ(campiDi(c.testo), c.campi) << '"' << c.testo << '"';
}

TEST(DividiCampi, TwelfthFieldTakesTheRestUpToTwentyCharacters) {
    std::string testo;
    for (int i = 1; i <= 11; ++i)
        testo += "  1.00";
    testo += "  12.5  13.5  14.5  15.5  16.5  17.5";
    auto c = dividicampi(testo);
    EXPECT_EQ(c[10], "1.00");
    EXPECT_EQ(c[11], "12.513.514.515.516.5");  // 20 characters, the rest dropped
}

TEST(ValoreCampo, StatusWordsAndNumbers) {
    EXPECT_EQ(valorecampo("HHHHHH"), 1);
    EXPECT_EQ(valorecampo("LLLLLL"), 0);
    EXPECT_EQ(valorecampo("SSSSSS"), 2);
    EXPECT_EQ(valorecampo("23.5"), 23.5);
    EXPECT_EQ(valorecampo("-12.5"), -12.5);
    EXPECT_EQ(valorecampo("+7"), 7);
    EXPECT_EQ(valorecampo(".5"), 0.5);
    EXPECT_EQ(valorecampo("5."), 5);
    EXPECT_EQ(valorecampo("1e3"), 1000);
    EXPECT_EQ(valorecampo("2.5E-1"), 0.25);
}

TEST(ValoreCampo, WhatDoesNotConvertGivesItsDigitsOrIsMissing) {
    // The digits before the first unusable character, as boards were written against.
    EXPECT_EQ(valorecampo("1.2.3"), 12);
    EXPECT_EQ(valorecampo("-7-"), 7);
    EXPECT_EQ(valorecampo("12e"), 12);
    EXPECT_EQ(valorecampo("-3.5-"), 35);
    EXPECT_EQ(valorecampo("1e-400"), 0);
    // No digit, or no double: no value, never a 0 that looks measured.
    for (const char* vuoto : {"", "HHHH", "HHHHH", "-", ".", "--5", "1e400"})
        EXPECT_TRUE(std::isnan(valorecampo(vuoto))) << vuoto;
}
