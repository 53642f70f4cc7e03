// One QApplication for the start-up tests, made when the tests start running
// and gone after the last one.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[24] = "velvaro_startup_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
