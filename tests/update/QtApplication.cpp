// Every test here needs the application object: the network code and the
// dialog wait in local event loops.

#include "support/QtTestApp.h"

#include <gtest/gtest.h>

namespace {

class QtApplication : public ::testing::Environment {
public:
    void SetUp() override { vk::test::QtTestApp(); }
};

[[maybe_unused]] ::testing::Environment* const Registered = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
