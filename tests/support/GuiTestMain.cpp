#include "ui/Application.h"

#include <gtest/gtest.h>

// Test programs that need widgets: one application object for the whole run, the programs' own,
// so that tests see the same error box, fonts and translations. Listing the tests (as CTest does
// at build time) needs no display, so it runs without one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    ui::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
