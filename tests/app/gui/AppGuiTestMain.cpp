// Runs the window tests offscreen with every modal box routed to the seam.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/gui/GuardedApplication.h"
#include "app/gui/ModalSeam.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    vd::app::TGuardedApplication application(argc, argv);
    vd::app::TModalSeam::BeginTesting();
    return RUN_ALL_TESTS();
}
