// The one main of the test programs. It makes no application object: the tests that need
// one ask TestApp() for it, so that others can see the program before there is one.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
