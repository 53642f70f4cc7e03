// A real update of a copy of the program, as a user runs it: the menu, the
// question, the download, both steps, and the new program running; then
// the uninstall of what the update left.
#include "ProgramFixture.h"
#include "UpdateServer.h"

namespace velvaro::test {
namespace {

// The program file with its version text changed: the build stamps the
// version in once, as UTF-16.
std::string WithVersion(const std::string& bytes, const std::u16string& from,
                        const std::u16string& to) {
    const std::string old(reinterpret_cast<const char*>(from.data()), from.size() * 2);
    const std::string now(reinterpret_cast<const char*>(to.data()), to.size() * 2);
    std::string patched = bytes;
    const std::size_t at = patched.find(old);
    EXPECT_NE(at, std::string::npos) << "no version text in the program";
    EXPECT_EQ(patched.find(old, at + 1), std::string::npos) << "more than one version text";
    if (at != std::string::npos) {
        patched.replace(at, old.size(), now);
    }
    return patched;
}

using UpdateProgramTest = WholeProgramTest;

TEST_F(UpdateProgramTest, UpdatesACopyOfItselfAndTheNewProgramRuns) {
    const std::filesystem::path app = folder_ / "app";
    std::filesystem::create_directories(app);
    const std::filesystem::path program = app / "velvaro";
    std::filesystem::copy_file(VELVARO_EXECUTABLE, program);
    WriteBytes(folder_ / "new-velvaro",
               WithVersion(ReadBytes(program), u"1, 2, 0, 3", u"1, 2, 0, 4"));
    WriteBytes(folder_ / "history.txt", "1.2.0.4\nFix\nPlays more files\n");
    const UpdateServer server(
        {QStringLiteral("--file"), QString::fromStdString(folder_ / "new-velvaro"),
         QStringLiteral("--history"), QString::fromStdString(folder_ / "history.txt")},
        QString::fromStdString(folder_ / "server.log"));
    ASSERT_TRUE(server.Started());
    extraEnvironment_["VELVARO_UPDATE_SERVER"] = "127.0.0.1:" + std::to_string(server.Port());
    SetUpRegistry({});

    auto old = Start({"/nosplash"}, program.string());
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    ASSERT_EQ(XInput({"keys", "alt+h", "u"}), 0);  // Help, Online Update...
    ASSERT_FALSE(WaitForWindow("Update", 20000).empty());
    // The question waits; its button says yes.
    ASSERT_TRUE(RunEventsUntil(
        [&] { return server.Paths().filter(QStringLiteral("history")).size() == 1; }, 15000));
    QThread::msleep(300);
    ASSERT_EQ(XInput({"keys", "Return"}), 0);

    // The old program ends, step 1 puts the new one in its place, step 2 says so.
    ASSERT_TRUE(old->WaitForExit(20000));
    EXPECT_EQ(old->exitCode(), 0);
    const std::string box = WaitForWindow("Vel-Varo Update", 20000);
    ASSERT_FALSE(box.empty()) << "no success box";
    EXPECT_EQ(RunProgram(program.string(), {"--version"}, {{"DISPLAY", ""}}).out,
              "Velvaro 1.2.0.4\n");
    EXPECT_FALSE(std::filesystem::exists(app / "velvaro.tmp1.exe"));
    EXPECT_FALSE(std::filesystem::exists(app / "velvaro.tmp2.exe"));
    XInput({"close", box});
    EXPECT_TRUE(WaitForTitles({"Velvaro"})) << "the new program goes on to its window";
    EXPECT_EQ(server.Paths(),
              (QStringList{QStringLiteral("/versioninfo_velvaro"),
                           QStringLiteral("/velvaro_update_history.php?lang=English&"
                                          "version=1.2.0.3"),
                           QStringLiteral("/velvaro-1.2.0.4")}));
}

}  // namespace
}  // namespace velvaro::test
