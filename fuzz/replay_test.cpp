// Replays one fuzz target's corpus: every file is a test of its own, so a
// failing input is named and can be run alone. The corpus holds what the
// fuzzer found worth keeping, and every input that once broke something.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(KR_CORPUS_DIR, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Corpus : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(Corpus, Replays) {
    const std::string bytes = fuzz::ReadFile(GetParam());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size()),
              0);
}

TEST(CorpusPresent, HoldsInputs) { EXPECT_FALSE(CorpusFiles().empty()) << KR_CORPUS_DIR; }

std::string TestName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
    std::string name = info.param.filename().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(CorpusFiles()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

}  // namespace
