// One QCoreApplication for the tests that need an event loop, made when the
// tests start running and gone after the last one.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

namespace {

class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[32] = "velvaro_platform_service_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

}  // namespace
