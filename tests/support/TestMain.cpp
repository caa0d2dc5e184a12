#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

// Every test runs under a Russian locale: no routine of ours may depend on it.
int main(int argc, char **argv)
{
    setenv("LANG", "ru_RU.UTF-8", 1);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
