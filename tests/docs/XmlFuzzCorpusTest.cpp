// The fuzz target's checks, run over its corpus: the inputs it starts from
// and every input that once failed.
#include "FileBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(XmlFuzzCorpusTest, EveryInputPassesTheFuzzTargetsChecks) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELVARO_FUZZ_CORPUS)) {
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = velvaro::test::ReadBytes(entry.path());
        // A failed check aborts, naming itself.
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace
