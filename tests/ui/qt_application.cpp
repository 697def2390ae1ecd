#include "qt_application.h"

namespace {

[[maybe_unused]] ::testing::Environment* const qtApplication =
    ::testing::AddGlobalTestEnvironment(new testing_support::QtApplicationEnvironment);

}  // namespace
