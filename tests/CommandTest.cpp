// The command as the queue and the renderer use it: the halt that guards against a command for no
// window, and the fixed-point precision at which angles and transforms cross to the renderer.
#include <gtest/gtest.h>

#include <cmath>

#include "ReportPattern.h"
#include "Transform.h"
#include "shared/DaemonCommand.h"

using diagnostics::Kind;

TEST(CommandDeathTest, BuildingACommandForNoWindowHalts) {
    EXPECT_DEATH(
        DaemonCommand(nullptr, command::FlipPage{}),
        onlyReport(Kind::FATAL_ASSERTION, "DaemonCommand.cpp", "I seem to have recieved a NULL Window pointer"));
}

TEST(CommandEncoding, AnglesAndTransformsTravelAsTruncatedFixedPoint) {
    EXPECT_EQ(fixedPoint(45.5, 1024.0), 46592);
    EXPECT_EQ(fixedPoint(-0.0009, 1024.0), 0);
    EXPECT_EQ(fixedPoint(0.5, Transform::SCALE), 5000);
    EXPECT_EQ(fixedPoint(1.23456, Transform::SCALE), 12345);
    EXPECT_EQ(fixedPoint(-1.5, Transform::SCALE), -15000);
}

TEST(CommandEncoding, ValuesBeyondThirtyTwoBitsAreClampedNotWrapped) {
    EXPECT_EQ(fixedPoint(1e12, 1024.0), 2147483647);
    EXPECT_EQ(fixedPoint(-1e12, Transform::SCALE), -2147483647 - 1);
    EXPECT_EQ(fixedPoint(std::nan(""), Transform::SCALE), 0);
}
