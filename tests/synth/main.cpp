// Every test process starts like the show: the floating-point state set and
// the random table filled, once.
#include <gtest/gtest.h>

#include "synth.h"

int main(int argc, char **argv)
{
    fpuset();
    fillrand();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
