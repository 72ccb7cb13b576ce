#include "ui/Fonts.h"

#include <QApplication>
#include <gtest/gtest.h>

// Test programs that need widgets: one QApplication for the whole run. Listing the tests (as
// CTest does at build time) needs no display, so it runs without one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    ui::InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}
