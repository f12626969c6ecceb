// Replays one fuzz target's corpus: every file is a test of its own, named
// after the target and the file, so a failing input can be run alone. The
// corpus holds what the fuzzer found worth keeping, and every input that once
// broke something. An empty corpus fails as an uninstantiated test.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(KR_CORPUS_DIR, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, Replays) {
    const std::string bytes = fuzz::ReadFile(std::filesystem::path(KR_CORPUS_DIR) / GetParam());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size()),
              0);
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

// The target's name (a macro) becomes the prefix of every test name.
#define KR_REPLAY_CORPUS(target) \
    INSTANTIATE_TEST_SUITE_P(target, Corpus, ::testing::ValuesIn(CorpusFiles()), TestName)
KR_REPLAY_CORPUS(KR_FUZZ_TARGET);

}  // namespace
