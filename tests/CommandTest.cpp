// The command record as builders and the renderer use it: arguments first in, first out, copies
// that carry what is left, and the halts that guard the agreement between the two sides.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

#include "DaemonCommand.h"
#include "ReportPattern.h"
#include "Transform.h"

using diagnostics::Kind;

namespace {

// Commands never look at their window, so the address of any object stands in for one.
alignas(std::max_align_t) char windowStandIn;
Window* const someWindow = reinterpret_cast<Window*>(&windowStandIn);

std::string commandHalt(const std::string& message) {
    return onlyReport(Kind::FATAL_ASSERTION, "DaemonCommand.cpp", message);
}

DaemonCommand lineFromOneToFive() {
    DaemonCommand command(DaemonCommand::DRAW_LINE, someWindow);
    for (int value = 1; value <= 5; ++value) command.addArgument(value);
    return command;
}

}  // namespace

TEST(CommandTest, BuiltCommandStartsWithBlackStyleAndNothingElse) {
    const DaemonCommand command(DaemonCommand::SET_TITLE, someWindow);
    EXPECT_EQ(command.type(), DaemonCommand::SET_TITLE);
    EXPECT_EQ(command.getWindow(), someWindow);
    EXPECT_EQ(command.countArguments(), 0);
    EXPECT_EQ(command.getStyle(), Style::BLACK);
    EXPECT_EQ(command.getString(), "");
}

TEST(CommandTest, DefaultCommandHasTypeMinusOne) {
    const DaemonCommand command;
    EXPECT_EQ(static_cast<int>(command.type()), -1);
    EXPECT_EQ(command.countArguments(), 0);
    EXPECT_EQ(command.getStyle(), Style::BLACK);
    EXPECT_EQ(command.getString(), "");
}

TEST(CommandTest, ArgumentsComeBackInInsertionOrder) {
    DaemonCommand command(DaemonCommand::DRAW_CIRCLE_FILLED, someWindow);
    command.addArgument(1);
    command.addArgument(2);
    command.addArgument(3);
    EXPECT_EQ(command.countArguments(), 3);
    EXPECT_EQ(command.removeArgument(), 1);
    EXPECT_EQ(command.countArguments(), 2);
    EXPECT_EQ(command.removeArgument(), 2);
    EXPECT_EQ(command.countArguments(), 1);
    EXPECT_EQ(command.removeArgument(), 3);
    EXPECT_EQ(command.countArguments(), 0);
}

TEST(CommandTest, CopyOfHalfConsumedCommandCarriesExactlyTheRest) {
    DaemonCommand original = lineFromOneToFive();
    original.setStyle(Style::RED);
    original.setString("edge");
    original.removeArgument();
    original.removeArgument();

    DaemonCommand copy(original);
    EXPECT_EQ(copy.type(), DaemonCommand::DRAW_LINE);
    EXPECT_EQ(copy.getWindow(), someWindow);
    EXPECT_EQ(copy.getStyle(), Style::RED);
    EXPECT_EQ(copy.getString(), "edge");
    ASSERT_EQ(copy.countArguments(), 3);
    EXPECT_EQ(copy.removeArgument(), 3);
    EXPECT_EQ(copy.removeArgument(), 4);
    EXPECT_EQ(copy.removeArgument(), 5);
    // Consuming the copy leaves the original's arguments alone.
    EXPECT_EQ(original.countArguments(), 3);
}

TEST(CommandTest, AssignmentReplacesEverythingWithTheOthersRemainder) {
    DaemonCommand source = lineFromOneToFive();
    source.removeArgument();
    source.setStyle(Style::INVERTED);
    DaemonCommand target(DaemonCommand::SET_TITLE, someWindow);
    target.addArgument(99);
    target.setString("old title");

    target = source;
    EXPECT_EQ(target.type(), DaemonCommand::DRAW_LINE);
    EXPECT_EQ(target.getStyle(), Style::INVERTED);
    EXPECT_EQ(target.getString(), "");
    ASSERT_EQ(target.countArguments(), 4);
    EXPECT_EQ(target.removeArgument(), 2);
}

TEST(CommandTest, StyleCanBeReplacedAnyNumberOfTimes) {
    DaemonCommand command(DaemonCommand::DRAW_PIXEL, someWindow);
    command.setStyle(Style::RED);
    command.setStyle(Style::GREEN);
    EXPECT_EQ(command.getStyle(), Style::GREEN);
}

TEST(CommandTest, StringMayBeSetAfterAnEmptyOne) {
    DaemonCommand command(DaemonCommand::DRAW_TEXT, someWindow);
    command.setString("");
    command.setString("abc");
    EXPECT_EQ(command.getString(), "abc");
}

TEST(CommandDeathTest, RemovingMoreArgumentsThanAddedHalts) {
    DaemonCommand command(DaemonCommand::DRAW_CIRCLE_FILLED, someWindow);
    command.addArgument(1);
    command.addArgument(2);
    command.addArgument(3);
    for (int i = 0; i < 3; ++i) command.removeArgument();
    EXPECT_DEATH(command.removeArgument(),
                 commandHalt("Tried to remove more arguments from a command than it contained"));
}

TEST(CommandDeathTest, SettingTheStringTwiceHalts) {
    DaemonCommand command(DaemonCommand::SET_TITLE, someWindow);
    command.setString("abc");
    EXPECT_DEATH(command.setString("def"), commandHalt("Tried to set a command's string argument more than once"));
    EXPECT_DEATH(command.setString(""), commandHalt("Tried to set a command's string argument more than once"));
}

TEST(CommandDeathTest, GetWindowOfADefaultCommandHalts) {
    const DaemonCommand command;
    EXPECT_DEATH(command.getWindow(), commandHalt("Tried to remove a NULL Window pointer from a command"));
}

TEST(CommandDeathTest, BuildingACommandForNoWindowHalts) {
    EXPECT_DEATH(DaemonCommand(DaemonCommand::DRAW_PIXEL, nullptr),
                 commandHalt("I seem to have recieved a NULL Window pointer"));
}

TEST(CommandEncoding, AnglesAndTransformsTravelAsTruncatedFixedPoint) {
    EXPECT_EQ(DaemonCommand::fixedPoint(45.5, 1024.0), 46592);
    EXPECT_EQ(DaemonCommand::fixedPoint(-0.0009, 1024.0), 0);
    EXPECT_EQ(DaemonCommand::fixedPoint(0.5, Transform::SCALE), 5000);
    EXPECT_EQ(DaemonCommand::fixedPoint(1.23456, Transform::SCALE), 12345);
    EXPECT_EQ(DaemonCommand::fixedPoint(-1.5, Transform::SCALE), -15000);
}

TEST(CommandEncoding, ValuesBeyondThirtyTwoBitsAreClampedNotWrapped) {
    EXPECT_EQ(DaemonCommand::fixedPoint(1e12, 1024.0), 2147483647);
    EXPECT_EQ(DaemonCommand::fixedPoint(-1e12, Transform::SCALE), -2147483647 - 1);
    EXPECT_EQ(DaemonCommand::fixedPoint(std::nan(""), Transform::SCALE), 0);
}
