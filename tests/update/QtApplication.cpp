// The widget tests need one QApplication for the whole test program.

#include <QApplication>

#include <gtest/gtest.h>

namespace {

class QtApplication : public ::testing::Environment {
public:
    void SetUp() override { FApplication = new QApplication(FArgc, FArgv); }
    void TearDown() override { delete FApplication; }

private:
    int FArgc = 1;
    char FName[16] = "vk_update_tests";
    char* FArgv[2] = {FName, nullptr};
    QApplication* FApplication = nullptr;
};

[[maybe_unused]] ::testing::Environment* const Registered = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
