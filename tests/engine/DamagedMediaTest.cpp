// Damaged files and things that are no files: each open ends, with a reason
// when it fails. (How they play is the whole program's test.)
#include "PlayerFixture.h"
#include "TestRegistry.h"

#include <sys/stat.h>

#include <filesystem>

namespace {

TEST(DamagedMedia, EveryOpenEndsAndAFailedOneSaysWhy) {
    const auto warnings = velvaro::test::EngineWarnings();
    int opened = 0, refused = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(VELVARO_TEST_MEDIA) + "/damaged")) {
        SCOPED_TRACE(entry.path().filename().string());
        auto graph = CreateFilterGraph();
        const HRESULT result = graph->RenderFile(entry.path().wstring());
        ++(FAILED(result) ? refused : opened);
        EXPECT_EQ(graph->GetErrorText(result).empty(), !FAILED(result));
    }
    // Cut and flipped in the middle still open; broken headers do not.
    EXPECT_GE(opened, 8);
    EXPECT_GE(refused, 6);
}

// A FIFO without a writer would block the source's first read for good.
TEST(DamagedMedia, AFifoIsRefusedBeforeAnythingReadsIt) {
    const velvaro::test::TestFolder folder;
    const std::string fifo = folder / "film.mp4";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto graph = CreateFilterGraph();
    const HRESULT result = graph->RenderFile(std::filesystem::path(fifo).wstring());
    EXPECT_EQ(result, VFW_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(graph->GetErrorText(result), "\"" + fifo + "\" is not a file that can be played.");
}

}  // namespace
