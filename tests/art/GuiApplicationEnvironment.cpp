// One QGuiApplication while the tests run, so image format plugins (JPEG) load
// as they do in the program.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

namespace {

class GuiApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<QGuiApplication>(argc_, argv_); }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[20] = "velvaro_art_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

// GoogleTest owns the environments it is given.
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

}  // namespace
