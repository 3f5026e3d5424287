// Every seed of the frame, free stream, scheme, class-message and
// experiment-file fuzzers, and every input that once made them fail (kept
// under regressions/), through the same checks the fuzzers make.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/controlli.h"

namespace fs = std::filesystem;

namespace {

struct Campione {
    std::string nome;
    std::string dati;
};

// The files of the seed corpus and of the regressions for one target.
std::vector<Campione> campioni(const std::string& corpus, const std::string& regressioni) {
    std::vector<Campione> tutti;
    for (const fs::path& cartella :
         {fs::path(LUMETTO_CAMPIONI) / corpus, fs::path(LUMETTO_REGRESSIONI) / regressioni}) {
        if (!fs::exists(cartella)) continue;
        for (const auto& f : fs::directory_iterator(cartella)) {
            if (!f.is_regular_file()) continue;
            std::ifstream in(f.path(), std::ios::binary);
            tutti.push_back(
                {f.path().string(), std::string(std::istreambuf_iterator<char>(in), {})});
        }
    }
    return tutti;
}

size_t quanti(const std::string& regressioni) {
    const fs::path cartella = fs::path(LUMETTO_REGRESSIONI) / regressioni;
    if (!fs::exists(cartella)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(cartella), {}));
}

TEST(FuzzCampioni, FramesAndPastFailuresSplitAndConvertSoundly) {
    const auto tutti = campioni("trame", "trame");
    // One frame per experiment of the virtual board and the hand-made odd ones.
    EXPECT_GE(tutti.size() - quanti("trame"), 20u) << "the frame corpus is missing";
    for (const auto& c : tutti)
        EXPECT_EQ(lumetto::fuzz::difettotrama(c.dati), "") << c.nome;
}

TEST(FuzzCampioni, FreeStreamsAndPastFailuresReadAlikeInAnyChunking) {
    const auto tutti = campioni("righe", "righe");
    EXPECT_GE(tutti.size() - quanti("righe"), 12u) << "the free stream corpus is missing";
    for (const auto& c : tutti)
        EXPECT_EQ(lumetto::fuzz::difettorighe(c.dati), "") << c.nome;
}

TEST(FuzzCampioni, SchemeFilesAndPastFailuresLoadSaveAndReloadAlike) {
    const auto tutti = campioni("sca", "sca");
    EXPECT_GE(tutti.size() - quanti("sca"), 10u) << "the scheme corpus is missing";
    for (const auto& c : tutti)
        EXPECT_EQ(lumetto::fuzz::difettosca(c.dati), "") << c.nome;
}

TEST(FuzzCampioni, ClassMessagesAndPastFailuresParseWholeOrNot) {
    const auto tutti = campioni("classe", "classe");
    EXPECT_GE(tutti.size() - quanti("classe"), 8u) << "the class message corpus is missing";
    for (const auto& c : tutti)
        EXPECT_EQ(lumetto::fuzz::difettoclasse(c.dati), "") << c.nome;
}

TEST(FuzzCampioni, ExperimentFilesAndPastFailuresReadWholeOrNot) {
    const auto tutti = campioni("esperimento", "esperimento");
    EXPECT_GE(tutti.size() - quanti("esperimento"), 10u) << "the experiment corpus is missing";
    for (const auto& c : tutti)
        EXPECT_EQ(lumetto::fuzz::difettoesperimento(c.dati), "") << c.nome;
}

}  // namespace
