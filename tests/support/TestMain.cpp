#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    SetTestEnvironment();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
