// The value types as a program sees them: colours, styles, transforms, modifiers and input events,
// their checks, their wildcard equality and their printed forms. No display needed.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Color.h"
#include "Event.h"
#include "KeyModifiers.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "NamedKey.h"
#include "ReportPattern.h"
#include "Style.h"
#include "TimerEvent.h"
#include "Transform.h"

using diagnostics::Kind;

namespace {

template <typename Value>
std::string printed(const Value& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string colorWarning(const std::string& message) { return reportPattern(Kind::WARNING, "Color.cpp", message); }

std::string styleHalt(const std::string& message) { return onlyReport(Kind::FATAL_ERROR, "Style.cpp", message); }

std::string keyboardHalt(const std::string& message) {
    return onlyReport(Kind::FATAL_ERROR, "KeyboardEvent.cpp", message);
}

// A pattern whose steps are true exactly at the given positions.
std::vector<bool> stepsAt(std::initializer_list<int> positions, std::size_t length = 16) {
    std::vector<bool> steps(length, false);
    for (int i : positions) steps[i] = true;
    return steps;
}

const std::vector<bool> solid(16, true);

const std::string patternTooShort = styleHalt("Your pattern size is too small, less than 16");
const std::string patternTooLong = styleHalt("Your pattern size is too large, greater than 16");

}  // namespace

// ---- Color ----

TEST(ColorTest, NegativeComponentBecomesZeroAfterOneWarning) {
    testing::internal::CaptureStderr();
    const Color color(-1, 0, 0);
    EXPECT_PRED2(matchesWhole, testing::internal::GetCapturedStderr(),
                 colorWarning("Red color component specified to be less than zero"));
    EXPECT_EQ(color, Color(0, 0, 0, 255));
}

TEST(ColorTest, ComponentsAboveMaximumBecome255WithWarningsInComponentOrder) {
    testing::internal::CaptureStderr();
    const Color color(0, 256, 0, 300);
    EXPECT_PRED2(matchesWhole, testing::internal::GetCapturedStderr(),
                 colorWarning("Green color component specified to be greater than 255") +
                     colorWarning("Alpha color component specified to be greater than 255"));
    EXPECT_EQ(color, Color(0, 255, 0, 255));
}

TEST(ColorTest, EveryBadComponentIsNamedInRedGreenBlueAlphaOrder) {
    testing::internal::CaptureStderr();
    const Color color(300, -2, 1000, -50);
    EXPECT_PRED2(matchesWhole, testing::internal::GetCapturedStderr(),
                 colorWarning("Red color component specified to be greater than 255") +
                     colorWarning("Green color component specified to be less than zero") +
                     colorWarning("Blue color component specified to be greater than 255") +
                     colorWarning("Alpha color component specified to be less than zero"));
    EXPECT_EQ(printed(color), "Color(255, 0, 255, 0)");
}

TEST(ColorTest, BoundsAreAcceptedSilently) {
    testing::internal::CaptureStderr();
    const Color low(0, 0, 0, 0);
    const Color high(255, 255, 255, 255);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(printed(low), "Color(0, 0, 0, 0)");
    EXPECT_EQ(printed(high), "Color(255, 255, 255, 255)");
}

TEST(ColorTest, DefaultIsOpaqueBlack) {
    EXPECT_EQ(Color(), Color(0, 0, 0));
    EXPECT_EQ(Color(), Color::BLACK);
    EXPECT_NE(Color(0, 0, 0, 0), Color::BLACK);
}

TEST(ColorTest, ColoursDifferingInAnyOneComponentAreUnequal) {
    const Color base(10, 20, 30, 40);
    EXPECT_EQ(base, Color(10, 20, 30, 40));
    EXPECT_NE(base, Color(11, 20, 30, 40));
    EXPECT_NE(base, Color(10, 21, 30, 40));
    EXPECT_NE(base, Color(10, 20, 31, 40));
    EXPECT_NE(base, Color(10, 20, 30, 41));
    EXPECT_FALSE(base != Color(10, 20, 30, 40));
}

TEST(ColorTest, PrintsComponentsAsNumbersEvenWhenTheyAreControlCharacters) {
    EXPECT_EQ(printed(Color(10, 0, 7, 13)), "Color(10, 0, 7, 13)");
    EXPECT_EQ(printed(Color(65, 66, 67)), "Color(65, 66, 67, 255)");
}

TEST(ColorTest, ConstantsAreOpaquePrimaries) {
    EXPECT_EQ(printed(Color::BLACK), "Color(0, 0, 0, 255)");
    EXPECT_EQ(printed(Color::WHITE), "Color(255, 255, 255, 255)");
    EXPECT_EQ(printed(Color::RED), "Color(255, 0, 0, 255)");
    EXPECT_EQ(printed(Color::GREEN), "Color(0, 255, 0, 255)");
    EXPECT_EQ(printed(Color::BLUE), "Color(0, 0, 255, 255)");
}

TEST(ColorTest, ComponentNamesAndUnknown) {
    EXPECT_EQ(Color::ComponentNameToString(Color::RED_COMPONENT), "Red");
    EXPECT_EQ(Color::ComponentNameToString(Color::GREEN_COMPONENT), "Green");
    EXPECT_EQ(Color::ComponentNameToString(Color::BLUE_COMPONENT), "Blue");
    EXPECT_EQ(Color::ComponentNameToString(Color::ALPHA_COMPONENT), "Alpha");
    EXPECT_EQ(Color::ComponentNameToString(Color::ComponentName(4)), "Unknown");
}

// ---- Style ----

TEST(StyleTest, KeepsWhatItWasBuiltWith) {
    const Style style(Color(1, 2, 3, 4), 5, Style::XOR_OP, stepsAt({0, 3}));
    EXPECT_EQ(style.getColor(), Color(1, 2, 3, 4));
    EXPECT_EQ(style.getLineWidth(), 5);
    EXPECT_EQ(style.getRasterOp(), Style::XOR_OP);
    EXPECT_EQ(style.getPatternAsUShort(), 9);
}

TEST(StyleTest, WidthOfOneIsAccepted) {
    Style style(Color::RED, 1, Style::COPY_OP, solid);
    EXPECT_EQ(style.getLineWidth(), 1);
    style.setLineWidth(1);
    EXPECT_EQ(style.getLineWidth(), 1);
}

TEST(StyleTest, PatternElementIBecomesBitI) {
    EXPECT_EQ(Style::bvectorToUShort(stepsAt({0})), 1);
    EXPECT_EQ(Style::bvectorToUShort(stepsAt({15})), 0x8000);
    EXPECT_EQ(Style::bvectorToUShort(stepsAt({1, 2, 8})), 0x0106);
    EXPECT_EQ(Style::bvectorToUShort(solid), 65535);
    EXPECT_EQ(Style::bvectorToUShort(std::vector<bool>(16, false)), 0);
}

TEST(StyleTest, GetPatternGivesBackTheStepsItWasGiven) {
    Style style = Style::BLACK;
    const std::vector<bool> dashes = stepsAt({0, 1, 2, 3, 8, 9, 10, 11});
    style.setPattern(dashes);
    EXPECT_EQ(style.getPatternAsUShort(), 0x0F0F);
    EXPECT_EQ(style.getPattern(), dashes);
}

TEST(StyleTest, FlippingStepZeroOfTheDefaultPatternClearsOnlyIt) {
    Style style(Color::BLACK, 1, Style::COPY_OP, Style::defaultpattern);
    style.flipPatternBit(0);
    EXPECT_EQ(style.getPatternAsUShort(), 65534);
    std::vector<bool> expected = solid;
    expected[0] = false;
    EXPECT_EQ(style.getPattern(), expected);
}

TEST(StyleTest, FlippingTheLastStepIsAcceptedAndTwoFlipsRestore) {
    Style style = Style::RED;
    style.flipPatternBit(15);
    EXPECT_EQ(style.getPatternAsUShort(), 0x7FFF);
    style.flipPatternBit(15);
    EXPECT_EQ(style.getPatternAsUShort(), 0xFFFF);
}

TEST(StyleTest, DefaultPatternIsSixteenSolidSteps) {
    const std::vector<bool>& steps = Style::defaultpattern;
    EXPECT_EQ(steps, solid);
    EXPECT_EQ(Style::defaultpattern.size(), 16u);
    EXPECT_TRUE(Style::defaultpattern[0]);
    EXPECT_TRUE(Style::defaultpattern[15]);
}

TEST(StyleTest, SettersReplaceTheirValue) {
    Style style = Style::BLACK;
    style.setColor(Color(9, 8, 7));
    style.setRasterOp(Style::OR_OP);
    style.setLineWidth(4);
    EXPECT_EQ(style, Style(Color(9, 8, 7), 4, Style::OR_OP, solid));
}

TEST(StyleTest, StylesDifferingOnlyInPatternAreUnequal) {
    const Style solidLine(Color::BLUE, 2, Style::AND_OP, solid);
    const Style dotted(Color::BLUE, 2, Style::AND_OP, stepsAt({0, 2, 4, 6, 8, 10, 12, 14}));
    EXPECT_NE(solidLine, dotted);
    EXPECT_FALSE(solidLine == dotted);
}

TEST(StyleTest, StylesDifferingInColourWidthOrOpAreUnequal) {
    const Style base(Color::BLUE, 2, Style::AND_OP, solid);
    EXPECT_NE(base, Style(Color(0, 0, 255, 254), 2, Style::AND_OP, solid));
    EXPECT_NE(base, Style(Color::BLUE, 3, Style::AND_OP, solid));
    EXPECT_NE(base, Style(Color::BLUE, 2, Style::OR_OP, solid));
}

TEST(StyleTest, CopyAndAssignmentGiveEqualStyles) {
    const Style original(Color(5, 6, 7, 8), 3, Style::XOR_OP, stepsAt({4}));
    const Style copy(original);
    Style assigned = Style::WHITE;
    assigned = original;
    EXPECT_EQ(copy, original);
    EXPECT_EQ(assigned, original);
    EXPECT_FALSE(copy != original);
}

TEST(StyleTest, InvertedDiffersFromBlackOnlyInItsRasterOp) {
    Style inverted = Style::INVERTED;
    EXPECT_NE(inverted, Style::BLACK);
    inverted.setRasterOp(Style::COPY_OP);
    EXPECT_EQ(inverted, Style::BLACK);
}

TEST(StyleTest, ConstantsAreSolidOnePixelCopies) {
    EXPECT_EQ(Style::BLACK, Style(Color(0, 0, 0), 1, Style::COPY_OP, solid));
    EXPECT_EQ(Style::WHITE, Style(Color(255, 255, 255), 1, Style::COPY_OP, solid));
    EXPECT_EQ(Style::RED, Style(Color(255, 0, 0), 1, Style::COPY_OP, solid));
    EXPECT_EQ(Style::GREEN, Style(Color(0, 255, 0), 1, Style::COPY_OP, solid));
    EXPECT_EQ(Style::BLUE, Style(Color(0, 0, 255), 1, Style::COPY_OP, solid));
    EXPECT_EQ(Style::INVERTED, Style(Color(0, 0, 0), 1, Style::INVERT_OP, solid));
}

TEST(StyleTest, ColourAloneOrWithAWidthMakesASolidCopyStyle) {
    EXPECT_EQ(Style(Color::RED), Style(Color::RED, 1, Style::COPY_OP, solid));
    EXPECT_EQ(Style(Color::BLACK, 3), Style(Color::BLACK, 3, Style::COPY_OP, solid));
}

TEST(StyleTest, PrintsAsAConstructorCall) {
    EXPECT_EQ(printed(Style::BLACK), "Style(Color(0, 0, 0, 255), 1, COPY_OP, 65535)");
    EXPECT_EQ(printed(Style(Color(1, 2, 3, 4), 7, Style::XOR_OP, stepsAt({0, 3}))),
              "Style(Color(1, 2, 3, 4), 7, XOR_OP, 9)");
}

TEST(StyleTest, PrintsEveryRasterOpByName) {
    Style style = Style::WHITE;
    const std::string head = "Style(Color(255, 255, 255, 255), 1, ";
    EXPECT_EQ(printed(Style::INVERTED), "Style(Color(0, 0, 0, 255), 1, INVERT_OP, 65535)");
    style.setRasterOp(Style::AND_OP);
    EXPECT_EQ(printed(style), head + "AND_OP, 65535)");
    style.setRasterOp(Style::OR_OP);
    EXPECT_EQ(printed(style), head + "OR_OP, 65535)");
}

TEST(StyleTest, UnknownRasterOpPrintsNothingBetweenTheSeparators) {
    Style style = Style::BLACK;
    style.setRasterOp(Style::RasterOp(5));
    EXPECT_EQ(printed(style), "Style(Color(0, 0, 0, 255), 1, , 65535)");
}

TEST(StyleDeathTest, WidthBelowOneHaltsConstruction) {
    EXPECT_DEATH(Style(Color::RED, 0, Style::COPY_OP, solid),
                 styleHalt("You tried to create a Style with a linewidth less than one"));
    EXPECT_DEATH(Style(Color::RED, -3, Style::COPY_OP, solid),
                 styleHalt("You tried to create a Style with a linewidth less than one"));
    EXPECT_DEATH(Style(Color::RED, 0), styleHalt("You tried to create a Style with a linewidth less than one"));
}

TEST(StyleDeathTest, SettingWidthBelowOneHalts) {
    Style style = Style::RED;
    EXPECT_DEATH(style.setLineWidth(0), styleHalt("You tried to set a Style's linewidth less than one"));
}

TEST(StyleDeathTest, ShortPatternHalts) {
    EXPECT_DEATH(Style(Color::RED, 1, Style::COPY_OP, std::vector<bool>(15, true)), patternTooShort);
    EXPECT_DEATH(Style(Color::RED, 1, Style::COPY_OP, std::vector<bool>()), patternTooShort);
}

TEST(StyleDeathTest, LongPatternHalts) {
    EXPECT_DEATH(Style(Color::RED, 1, Style::COPY_OP, std::vector<bool>(17, true)), patternTooLong);
}

TEST(StyleDeathTest, SettingAWrongSizedPatternHalts) {
    Style style = Style::RED;
    EXPECT_DEATH(style.setPattern(std::vector<bool>(8, true)), patternTooShort);
    EXPECT_DEATH(style.setPattern(std::vector<bool>(32, true)), patternTooLong);
}

TEST(StyleDeathTest, BadPatternIsReportedBeforeBadWidth) {
    EXPECT_DEATH(Style(Color::RED, 0, Style::COPY_OP, std::vector<bool>(17, true)), patternTooLong);
}

TEST(StyleDeathTest, FlippingOutsideZeroTo15Halts) {
    Style style = Style::RED;
    EXPECT_DEATH(style.flipPatternBit(-1), styleHalt("You tried to flip a bit position less than zero"));
    EXPECT_DEATH(style.flipPatternBit(16), styleHalt("You tried to flip a bit position greater than 15"));
}

// ---- Transform ----

TEST(TransformTest, DefaultIsNoRotationAndUnitScale) {
    for (const Transform& t : {Transform(), Transform(0), Transform(0, 1, 1)}) {
        EXPECT_EQ(t.getRotation(), 0.0);
        EXPECT_EQ(t.getScaleX(), 1.0);
        EXPECT_EQ(t.getScaleY(), 1.0);
    }
}

TEST(TransformTest, OneNumberIsARotation) {
    const Transform t(45);
    EXPECT_EQ(t.getRotation(), 45.0);
    EXPECT_EQ(t.getScaleX(), 1.0);
    EXPECT_EQ(t.getScaleY(), 1.0);
}

TEST(TransformTest, TwoNumbersAreScalesNotARotation) {
    const Transform t(2, 3);
    EXPECT_EQ(t.getRotation(), 0.0);
    EXPECT_EQ(t.getScaleX(), 2.0);
    EXPECT_EQ(t.getScaleY(), 3.0);
}

TEST(TransformTest, ThreeNumbersAreRotationThenScales) {
    const Transform t(-30.5, 0, -2.25);
    EXPECT_EQ(t.getRotation(), -30.5);
    EXPECT_EQ(t.getScaleX(), 0.0);
    EXPECT_EQ(t.getScaleY(), -2.25);
}

TEST(TransformTest, SettersReplaceTheirValue) {
    Transform t;
    t.setRotation(90);
    t.setScale(4, 5);
    EXPECT_EQ(t.getRotation(), 90.0);
    EXPECT_EQ(t.getScaleX(), 4.0);
    EXPECT_EQ(t.getScaleY(), 5.0);
    t.setScaleX(-1);
    t.setScaleY(0.5);
    EXPECT_EQ(t.getScaleX(), -1.0);
    EXPECT_EQ(t.getScaleY(), 0.5);
}

TEST(TransformTest, PrintsAsAWholeLine) {
    EXPECT_EQ(printed(Transform(45)), "Transform(45, 1, 1)\n");
    EXPECT_EQ(printed(Transform(-12.5, 0.25, 3)), "Transform(-12.5, 0.25, 3)\n");
}

// ---- KeyModifiers ----

TEST(KeyModifiersTest, ConstantsAreTheirBits) {
    EXPECT_EQ(KeyModifiers::NO_MODIFIERS.getBits(), 0);
    EXPECT_EQ(KeyModifiers::CONTROL.getBits(), 1);
    EXPECT_EQ(KeyModifiers::SHIFT.getBits(), 2);
    EXPECT_EQ(KeyModifiers::ALT.getBits(), 4);
    EXPECT_EQ(KeyModifiers::CONTROL_AND_SHIFT, KeyModifiers(3));
    EXPECT_EQ(KeyModifiers::SHIFT_AND_CONTROL, KeyModifiers(3));
    EXPECT_EQ(KeyModifiers::CONTROL_AND_ALT, KeyModifiers(5));
    EXPECT_EQ(KeyModifiers::ALT_AND_CONTROL, KeyModifiers(5));
    EXPECT_EQ(KeyModifiers::SHIFT_AND_ALT, KeyModifiers(6));
    EXPECT_EQ(KeyModifiers::ALT_AND_SHIFT, KeyModifiers(6));
    EXPECT_EQ(KeyModifiers::ALL_MODIFIERS, KeyModifiers(7));
    EXPECT_EQ(KeyModifiers::ANY_MODIFIERS, KeyModifiers(8));
    EXPECT_EQ(KeyModifiers(), KeyModifiers::NO_MODIFIERS);
}

TEST(KeyModifiersTest, OrAndAndCombineTheBits) {
    EXPECT_EQ(KeyModifiers::CONTROL | KeyModifiers::ALT, KeyModifiers::CONTROL_AND_ALT);
    EXPECT_EQ(KeyModifiers::ALL_MODIFIERS & KeyModifiers::SHIFT_AND_ALT, KeyModifiers::SHIFT_AND_ALT);
    EXPECT_EQ(KeyModifiers::CONTROL & KeyModifiers::SHIFT, KeyModifiers::NO_MODIFIERS);
    KeyModifiers held = KeyModifiers::SHIFT;
    held |= KeyModifiers::CONTROL;
    EXPECT_EQ(held, KeyModifiers(3));
    held &= KeyModifiers::CONTROL_AND_ALT;
    EXPECT_EQ(held, KeyModifiers::CONTROL);
}

TEST(KeyModifiersTest, EqualityIsExactWithoutWildcard) {
    EXPECT_NE(KeyModifiers::ANY_MODIFIERS, KeyModifiers::SHIFT);
    EXPECT_NE(KeyModifiers(10), KeyModifiers::SHIFT);
    EXPECT_FALSE(KeyModifiers(2) != KeyModifiers::SHIFT);
}

TEST(KeyModifiersTest, ComplementOfShiftKeepsControlAltAndTheWildcard) {
    KeyModifiers shift = KeyModifiers::SHIFT;
    EXPECT_EQ(~shift, KeyModifiers(1 | 4 | 8));
    KeyModifiers held = KeyModifiers::ALL_MODIFIERS | KeyModifiers::ANY_MODIFIERS;
    held &= ~KeyModifiers(KeyModifiers::SHIFT);
    EXPECT_EQ(held, KeyModifiers::CONTROL_AND_ALT | KeyModifiers::ANY_MODIFIERS);
}

TEST(KeyModifiersTest, ComplementChangesTheSetItself) {
    KeyModifiers held = KeyModifiers::CONTROL_AND_ALT;
    KeyModifiers& result = ~held;
    EXPECT_EQ(&result, &held);
    EXPECT_EQ(held, KeyModifiers::SHIFT | KeyModifiers::ANY_MODIFIERS);
}

TEST(KeyModifiersTest, PrintsTheNamesProgramsMatch) {
    EXPECT_EQ(printed(KeyModifiers(0)), "Modifiers(none)");
    EXPECT_EQ(printed(KeyModifiers(1)), "Modifiers(CONTROL)");
    EXPECT_EQ(printed(KeyModifiers(2)), "Modifiers(SHIFT)");
    EXPECT_EQ(printed(KeyModifiers(4)), "Modifiers(ALT)");
    EXPECT_EQ(printed(KeyModifiers(5)), "Modifiers(CONTROL, ALT)");
    EXPECT_EQ(printed(KeyModifiers(3)), "Modifiers(CONTROL, SHIFT)");
    EXPECT_EQ(printed(KeyModifiers(6)), "Modifiers(SHIFT_AND_ALT)");
    EXPECT_EQ(printed(KeyModifiers(7)), "Modifiers(CONTROL, SHIFT, ALT)");
}

TEST(KeyModifiersTest, AnySetWithTheWildcardPrintsAsAny) {
    EXPECT_EQ(printed(KeyModifiers::ANY_MODIFIERS), "Modifiers(any)");
    EXPECT_EQ(printed(KeyModifiers(12)), "Modifiers(any)");
    EXPECT_EQ(printed(KeyModifiers(15)), "Modifiers(any)");
}

TEST(KeyModifiersTest, ImpossibleSetPrintsTheWarningText) {
    EXPECT_EQ(printed(KeyModifiers(16)), "WARNING: This should not be able to happen!");
    EXPECT_EQ(printed(KeyModifiers(16 | 2)), "WARNING: This should not be able to happen!");
}

// ---- KeyboardEvent ----

TEST(KeyboardEventTest, DefaultIsKeyZeroWithoutModifiers) {
    const KeyboardEvent event;
    EXPECT_EQ(event.getValue(), 0);
    EXPECT_EQ(event.getModifiers(), KeyModifiers::NO_MODIFIERS);
    EXPECT_EQ(printed(event), "KeyboardEvent(0, Modifiers(none))");
}

TEST(KeyboardEventTest, KeepsValueAndModifiersOfNonLetters) {
    const KeyboardEvent event(NamedKey::LAST, KeyModifiers::CONTROL_AND_ALT);
    EXPECT_EQ(event.getValue(), 148);
    EXPECT_EQ(event.getModifiers(), KeyModifiers::CONTROL_AND_ALT);
    EXPECT_EQ(KeyboardEvent('1', KeyModifiers::SHIFT).getModifiers(), KeyModifiers::SHIFT);
}

TEST(KeyboardEventTest, UpperCaseLetterGainsShift) {
    EXPECT_EQ(KeyboardEvent('A', KeyModifiers::NO_MODIFIERS).getModifiers(), KeyModifiers::SHIFT);
    EXPECT_EQ(KeyboardEvent('Z', KeyModifiers::CONTROL).getModifiers(), KeyModifiers::CONTROL_AND_SHIFT);
}

TEST(KeyboardEventTest, LowerCaseLetterLosesOnlyShift) {
    EXPECT_EQ(KeyboardEvent('a', KeyModifiers::SHIFT).getModifiers(), KeyModifiers::NO_MODIFIERS);
    const KeyModifiers everything = KeyModifiers::ALL_MODIFIERS | KeyModifiers::ANY_MODIFIERS;
    EXPECT_EQ(KeyboardEvent('z', everything).getModifiers(),
              KeyModifiers::CONTROL_AND_ALT | KeyModifiers::ANY_MODIFIERS);
}

TEST(KeyboardEventTest, LetterCaseDecidesShiftWhateverTheCallerPassed) {
    EXPECT_EQ(KeyboardEvent('Z', KeyModifiers::NO_MODIFIERS), KeyboardEvent('Z', KeyModifiers::SHIFT));
    EXPECT_EQ(KeyboardEvent('z', KeyModifiers::NO_MODIFIERS), KeyboardEvent('z', KeyModifiers::SHIFT));
}

TEST(KeyboardEventTest, ModifiersMustMatchWithoutWildcard) {
    EXPECT_NE(KeyboardEvent('1', KeyModifiers::CONTROL), KeyboardEvent('1', KeyModifiers::NO_MODIFIERS));
    EXPECT_FALSE(KeyboardEvent('1', KeyModifiers::CONTROL) == KeyboardEvent('1', KeyModifiers::ALT));
}

TEST(KeyboardEventTest, AnyModifiersOnEitherSideMatchesAnyModifiers) {
    const KeyboardEvent enterAnyhow(NamedKey::ENTER, KeyModifiers::ANY_MODIFIERS);
    EXPECT_EQ(KeyboardEvent('1', KeyModifiers::CONTROL), KeyboardEvent('1', KeyModifiers::ANY_MODIFIERS));
    EXPECT_EQ(KeyboardEvent(NamedKey::ENTER, KeyModifiers::SHIFT_AND_ALT), enterAnyhow);
    EXPECT_EQ(enterAnyhow, KeyboardEvent(NamedKey::ENTER, KeyModifiers::NO_MODIFIERS));
    EXPECT_EQ(KeyboardEvent('q', KeyModifiers(KeyModifiers::CONTROL | KeyModifiers::ANY_MODIFIERS)),
              KeyboardEvent('q', KeyModifiers::ALT));
}

TEST(KeyboardEventTest, WildcardNeverMatchesAnotherKey) {
    EXPECT_NE(KeyboardEvent(NamedKey::ENTER, KeyModifiers::ANY_MODIFIERS),
              KeyboardEvent(NamedKey::ESCAPE, KeyModifiers::ANY_MODIFIERS));
}

TEST(KeyboardEventTest, PrintsValueAsANumberAndItsModifiers) {
    EXPECT_EQ(printed(KeyboardEvent('A', KeyModifiers::NO_MODIFIERS)), "KeyboardEvent(65, Modifiers(SHIFT))");
    EXPECT_EQ(printed(KeyboardEvent(NamedKey::FUNCTION_5, KeyModifiers::ANY_MODIFIERS)),
              "KeyboardEvent(132, Modifiers(any))");
}

TEST(KeyboardEventDeathTest, NegativeValueHalts) {
    EXPECT_DEATH(KeyboardEvent(-1, KeyModifiers::NO_MODIFIERS),
                 keyboardHalt("Tried to create a KeyboardEvent with a negative value"));
}

TEST(KeyboardEventDeathTest, ValueAboveLastHalts) {
    EXPECT_DEATH(KeyboardEvent(NamedKey::LAST + 1, KeyModifiers::NO_MODIFIERS),
                 keyboardHalt("Tried to create a KeyboardEvent with an invalid value (too large)"));
}

// ---- MouseEvent ----

TEST(MouseEventTest, DefaultIsNoHappeningAtTheOrigin) {
    const MouseEvent event;
    EXPECT_EQ(event.getEvent(), MouseEvent::Event(0));
    EXPECT_EQ(event.getButton(), MouseEvent::NO_BUTTON);
    EXPECT_EQ(event.getX(), 0);
    EXPECT_EQ(event.getY(), 0);
    EXPECT_EQ(event.getModifiers(), KeyModifiers::NO_MODIFIERS);
    EXPECT_EQ(printed(event), "MouseEvent(NULL, NO_BUTTON, 0, 0, Modifiers(none))");
}

TEST(MouseEventTest, KeepsEveryFieldUnchecked) {
    const MouseEvent event(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::RIGHT_BUTTON, -40, 99999, KeyModifiers(16));
    EXPECT_EQ(event.getEvent(), MouseEvent::BUTTON_DOWN_EVENT);
    EXPECT_EQ(event.getButton(), MouseEvent::RIGHT_BUTTON);
    EXPECT_EQ(event.getX(), -40);
    EXPECT_EQ(event.getY(), 99999);
    EXPECT_EQ(event.getModifiers(), KeyModifiers(16));
}

TEST(MouseEventTest, EqualWhenEveryFieldIsEqual) {
    const MouseEvent press(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 10, 20, KeyModifiers::SHIFT);
    EXPECT_EQ(press, MouseEvent(press));
    EXPECT_NE(press, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::MIDDLE_BUTTON, 10, 20, KeyModifiers::SHIFT));
    EXPECT_NE(press, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 11, 20, KeyModifiers::SHIFT));
    EXPECT_NE(press, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 10, 21, KeyModifiers::SHIFT));
    EXPECT_NE(press, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 10, 20, KeyModifiers::ALT));
}

TEST(MouseEventTest, FullWildcardMatchesEveryClickOfAnyButtonAnywhere) {
    const MouseEvent anyClick(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::ANY_BUTTON, -1, -1,
                              KeyModifiers::ANY_MODIFIERS);
    EXPECT_EQ(anyClick,
              MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::LEFT_BUTTON, 3, 4, KeyModifiers::NO_MODIFIERS));
    EXPECT_EQ(MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::RIGHT_BUTTON, 640, 0, KeyModifiers::ALL_MODIFIERS),
              anyClick);
}

TEST(MouseEventTest, EventsOfDifferentKindsAreNeverEqual) {
    const MouseEvent anyClick(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::ANY_BUTTON, -1, -1,
                              KeyModifiers::ANY_MODIFIERS);
    const MouseEvent anyUp(MouseEvent::BUTTON_UP_EVENT, MouseEvent::ANY_BUTTON, -1, -1, KeyModifiers::ANY_MODIFIERS);
    EXPECT_NE(anyClick, anyUp);
    EXPECT_NE(anyClick, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 3, 4, KeyModifiers::SHIFT));
}

TEST(MouseEventTest, EachWildcardFreesOnlyItsOwnPart) {
    const MouseEvent leftAt(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 5, 6, KeyModifiers::CONTROL);
    const MouseEvent anyButton(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::ANY_BUTTON, 5, 6, KeyModifiers::CONTROL);
    const MouseEvent anywhere(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, -1, -1, KeyModifiers::CONTROL);
    const MouseEvent anyModifiers(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 5, 6,
                                  KeyModifiers::ANY_MODIFIERS);
    EXPECT_EQ(leftAt, anyButton);
    EXPECT_EQ(leftAt, anywhere);
    EXPECT_EQ(leftAt, anyModifiers);
    // Another button, place or modifier set still differs where its own wildcard is absent.
    EXPECT_NE(anyButton,
              MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::RIGHT_BUTTON, 7, 6, KeyModifiers::CONTROL));
    EXPECT_NE(anywhere,
              MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::RIGHT_BUTTON, 5, 6, KeyModifiers::CONTROL));
    EXPECT_NE(anyModifiers,
              MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 5, 7, KeyModifiers::ALT));
    EXPECT_NE(anywhere, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 5, 6, KeyModifiers::ALT));
}

TEST(MouseEventTest, MinusOneInOneCoordinateIsAnOrdinaryPosition) {
    const MouseEvent atMinusOneFive(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, -1, 5,
                                    KeyModifiers::NO_MODIFIERS);
    EXPECT_EQ(atMinusOneFive,
              MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, -1, 5, KeyModifiers::NO_MODIFIERS));
    EXPECT_NE(atMinusOneFive,
              MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, 3, 5, KeyModifiers::NO_MODIFIERS));
    EXPECT_NE(atMinusOneFive,
              MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, -1, 6, KeyModifiers::NO_MODIFIERS));
}

TEST(MouseEventTest, PrintsEventAndButtonNames) {
    EXPECT_EQ(printed(MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::ANY_BUTTON, -1, -1,
                                 KeyModifiers::ANY_MODIFIERS)),
              "MouseEvent(BUTTON_CLICK_EVENT, ANY_BUTTON, -1, -1, Modifiers(any))");
    EXPECT_EQ(printed(MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::MIDDLE_BUTTON, 12, 34, KeyModifiers::ALT)),
              "MouseEvent(MOUSE_MOVE_EVENT, MIDDLE_BUTTON, 12, 34, Modifiers(ALT))");
    const std::vector<std::pair<MouseEvent::Event, std::string>> kinds = {
        {MouseEvent::ENTER_WINDOW_EVENT, "ENTER_WINDOW_EVENT"},
        {MouseEvent::EXIT_WINDOW_EVENT, "EXIT_WINDOW_EVENT"},
        {MouseEvent::BUTTON_DOWN_EVENT, "BUTTON_DOWN_EVENT"},
        {MouseEvent::BUTTON_UP_EVENT, "BUTTON_UP_EVENT"},
        {MouseEvent::WINDOW_CLOSED_EVENT, "WINDOW_CLOSED_EVENT"}};
    for (const auto& kind : kinds) {
        EXPECT_EQ(printed(MouseEvent(kind.first, MouseEvent::LEFT_BUTTON, 1, 2, KeyModifiers::CONTROL)),
                  "MouseEvent(" + kind.second + ", LEFT_BUTTON, 1, 2, Modifiers(CONTROL))");
    }
    EXPECT_EQ(printed(MouseEvent(MouseEvent::BUTTON_UP_EVENT, MouseEvent::RIGHT_BUTTON, 0, 0, KeyModifiers::SHIFT)),
              "MouseEvent(BUTTON_UP_EVENT, RIGHT_BUTTON, 0, 0, Modifiers(SHIFT))");
}

TEST(MouseEventTest, UnknownEventOrButtonPrintsAsNull) {
    EXPECT_EQ(printed(MouseEvent(MouseEvent::Event(8), MouseEvent::Button(5), 1, 2, KeyModifiers::NO_MODIFIERS)),
              "MouseEvent(NULL, NULL, 1, 2, Modifiers(none))");
}

// ---- TimerEvent ----

TEST(TimerEventTest, DefaultNamesNoTimer) {
    EXPECT_EQ(TimerEvent().getTimerID(), -1);
    EXPECT_EQ(printed(TimerEvent()), "TimerEvent(-1)");
}

// The closing event of each class is a kind of its own: no key, click or timer equals it.
TEST(ClosingEventTest, EachClassHasAClosingEventThatNoOtherEventEquals) {
    EXPECT_EQ(KeyboardEvent::windowClosed().getEvent(), KeyboardEvent::WINDOW_CLOSED_EVENT);
    EXPECT_EQ(KeyboardEvent().getEvent(), KeyboardEvent::KEY_PRESS_EVENT);
    EXPECT_NE(KeyboardEvent::windowClosed(), KeyboardEvent(0, KeyModifiers::ANY_MODIFIERS));
    EXPECT_EQ(printed(KeyboardEvent::windowClosed()), "KeyboardEvent(WINDOW_CLOSED_EVENT)");
    EXPECT_EQ(MouseEvent::windowClosed().getEvent(), MouseEvent::WINDOW_CLOSED_EVENT);
    EXPECT_NE(MouseEvent::windowClosed(),
              MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::ANY_BUTTON, -1, -1, KeyModifiers::ANY_MODIFIERS));
    EXPECT_EQ(TimerEvent::windowClosed().getEvent(), TimerEvent::WINDOW_CLOSED_EVENT);
    EXPECT_EQ(TimerEvent(3).getEvent(), TimerEvent::TIMER_EVENT);
    EXPECT_NE(TimerEvent::windowClosed(), TimerEvent());
    EXPECT_EQ(printed(TimerEvent::windowClosed()), "TimerEvent(WINDOW_CLOSED_EVENT)");
}

TEST(TimerEventTest, EqualExactlyWhenTheIdsAre) {
    EXPECT_EQ(TimerEvent(3), TimerEvent(3));
    EXPECT_NE(TimerEvent(3), TimerEvent(4));
    EXPECT_NE(TimerEvent(), TimerEvent(0));
    EXPECT_EQ(printed(TimerEvent(42)), "TimerEvent(42)");
}

// ---- Event ----

TEST(EventTest, CarriesTheEventOfItsKindAndPrintsAsAConstructorCall) {
    const KeyboardEvent key('a', KeyModifiers::NO_MODIFIERS);
    const MouseEvent click(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::LEFT_BUTTON, 3, 4, KeyModifiers::NO_MODIFIERS);
    const struct {
        Event event;
        Event::Kind kind;
        std::string printed;
    } cases[] = {
        {Event(key), Event::KEYBOARD_EVENT, "Event(KeyboardEvent(97, Modifiers(none)))"},
        {Event(click), Event::MOUSE_EVENT, "Event(MouseEvent(BUTTON_CLICK_EVENT, LEFT_BUTTON, 3, 4, Modifiers(none)))"},
        {Event(TimerEvent(5)), Event::TIMER_EVENT, "Event(TimerEvent(5))"},
        {Event::windowClosed(), Event::WINDOW_CLOSED_EVENT, "Event(WINDOW_CLOSED_EVENT)"},
        {Event(), Event::Kind(0), "Event()"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.event.getKind(), c.kind) << c.printed;
        EXPECT_EQ(printed(c.event), c.printed);
    }
    EXPECT_EQ(Event(key).getKeyboardEvent(), key);
    EXPECT_EQ(Event(click).getMouseEvent(), click);
    EXPECT_EQ(Event(TimerEvent(5)).getTimerEvent(), TimerEvent(5));
}

TEST(EventTest, EqualWhenOfOneKindAndTheirEventsAreEqualWildcardsIncluded) {
    const KeyboardEvent q('q', KeyModifiers::CONTROL);
    EXPECT_EQ(Event(q), Event(KeyboardEvent('q', KeyModifiers::ANY_MODIFIERS)));
    EXPECT_NE(Event(q), Event(KeyboardEvent('w', KeyModifiers::ANY_MODIFIERS)));
    EXPECT_NE(Event(TimerEvent(3)), Event(TimerEvent(4)));
    // Each kind's default event differs from the others' and from no event at all.
    const Event defaults[] = {Event(KeyboardEvent()), Event(MouseEvent()), Event(TimerEvent()), Event::windowClosed(),
                              Event()};
    for (const Event& one : defaults) {
        for (const Event& other : defaults) EXPECT_EQ(one == other, &one == &other) << one << " and " << other;
    }
}

TEST(EventDeathTest, AskingForAnEventOfAnotherKindHalts) {
    const auto halt = [](const std::string& carried, const std::string& kind) {
        return onlyReport(Kind::FATAL_ERROR, "Event.cpp",
                          "Tried to get a " + carried + " from an Event of kind " + kind +
                              "!  Call getKind() first to ensure that this does not occur");
    };
    const Event key(KeyboardEvent('a', KeyModifiers::NO_MODIFIERS));
    EXPECT_DEATH(key.getMouseEvent(), halt("MouseEvent", "KEYBOARD_EVENT"));
    EXPECT_DEATH(Event(TimerEvent(1)).getKeyboardEvent(), halt("KeyboardEvent", "TIMER_EVENT"));
    EXPECT_DEATH(Event::windowClosed().getTimerEvent(), halt("TimerEvent", "WINDOW_CLOSED_EVENT"));
}
