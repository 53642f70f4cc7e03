// The fuzz target's checks, run over its corpus: the inputs it starts from
// and every input that once failed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(XmlFuzzCorpusTest, EveryInputPassesTheFuzzTargetsChecks) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELVARO_FUZZ_CORPUS)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        // A failed check aborts, naming itself.
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace
