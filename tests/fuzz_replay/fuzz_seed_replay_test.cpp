// Runs one fuzz target's entry function on each of its seed files, in the ordinary build with
// AddressSanitizer and UndefinedBehaviorSanitizer, so that the target keeps compiling and its
// seeds keep running cleanly without libFuzzer. Built once per target (CORVANE_FUZZ_TARGET,
// seeds in CORVANE_FUZZ_SEED_FOLDER).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace corvane {
namespace {

// Seeds up to this size are also replayed cut short at every length.
constexpr std::size_t kPrefixReplayLimit = 4096;
// Fewer seeds than this means the folder is missing or was emptied.
constexpr std::size_t kMinimumSeeds = 5;

std::vector<std::filesystem::path> SeedFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(CORVANE_FUZZ_SEED_FOLDER, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Gives the entry function the first `size` bytes in a heap block of exactly that size, as
// libFuzzer does, so that a read past the end of the input is caught by AddressSanitizer.
int RunInput(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    const auto input = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(size, 1));
    std::copy_n(bytes.begin(), size, input.get());
    return LLVMFuzzerTestOneInput(input.get(), size);
}

TEST(FuzzSeeds, seedFolderHoldsTheTargetsNamedSeeds) {
    const auto files = SeedFiles();
    EXPECT_GE(files.size(), kMinimumSeeds)
        << "seed folder of " CORVANE_FUZZ_TARGET ": " CORVANE_FUZZ_SEED_FOLDER;
    for (const auto& file : files) {
        EXPECT_EQ(file.extension(), ".bin") << file;
    }
}

class FuzzSeedReplay : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(FuzzSeedReplay, entryFunctionRunsTheSeedAndEveryShorterCut) {
    const auto bytes = ReadFile(GetParam());
    ASSERT_EQ(RunInput(bytes, bytes.size()), 0);
    if (bytes.size() > kPrefixReplayLimit) return;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        ASSERT_EQ(RunInput(bytes, size), 0) << "first " << size << " bytes";
    }
}

std::string SeedName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
    std::string name = info.param.stem().string();
    std::replace_if(
        name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) == 0; }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Seeds, FuzzSeedReplay, ::testing::ValuesIn(SeedFiles()), SeedName);

}  // namespace
}  // namespace corvane
