// The library's constants and Globals records are ready for file-scope objects of other
// translation units, whatever order the linker gives those units' start-up.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Color.h"
#include "KeyModifiers.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "Style.h"
#include "Transform.h"
#include "shared/Globals.h"

// Built before main in StartupOrderTest_Objects.cpp.
extern const Style outlineStyle;
extern const Style copiedStyle;
extern const Color copiedColor;
extern const KeyModifiers copiedModifiers;
extern const KeyboardEvent enterWithAnyModifiers;
extern const MouseEvent anyClickAnywhere;
extern const double copiedScale;
extern std::string* const noteLeftBeforeMain;

namespace {

// The constants are fixed at compile time, so no start-up order can show them unbuilt.
static_assert(Color::BLUE.getBlue() == 255 && Color::BLUE.getAlpha() == 255);
static_assert(KeyModifiers::ALL_MODIFIERS.getBits() == 7);
static_assert(Style::defaultpattern[0] && Style::defaultpattern[15]);
static_assert(Style::BLACK.getLineWidth() == 1 && Style::BLACK.getPatternAsUShort() == 0xFFFF);

std::atomic<int> recordsBuilt{0};

struct CountedRecord {
    CountedRecord() { ++recordsBuilt; }
    int uses = 0;
};

}  // namespace

TEST(StartupOrderTest, StyleBuiltBeforeMainFromTheDefaultPatternIsComplete) {
    EXPECT_EQ(outlineStyle.getColor(), Color(255, 0, 0, 255));
    EXPECT_EQ(outlineStyle.getLineWidth(), 3);
    EXPECT_EQ(outlineStyle.getRasterOp(), Style::XOR_OP);
    EXPECT_EQ(outlineStyle.getPatternAsUShort(), 0xFFFF);
}

TEST(StartupOrderTest, ConstantsCopiedBeforeMainHoldTheirValues) {
    EXPECT_EQ(copiedStyle, Style(Color(0, 0, 0), 1, Style::INVERT_OP, std::vector<bool>(16, true)));
    EXPECT_EQ(copiedColor, Color(0, 255, 0, 255));
    EXPECT_EQ(copiedModifiers, KeyModifiers(6));
    EXPECT_EQ(copiedScale, 10000.0);
}

TEST(StartupOrderTest, EventPatternsBuiltBeforeMainKeepTheirWildcards) {
    EXPECT_EQ(enterWithAnyModifiers, KeyboardEvent(13, KeyModifiers::SHIFT_AND_ALT));
    EXPECT_EQ(anyClickAnywhere,
              MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::MIDDLE_BUTTON, 7, 8, KeyModifiers::CONTROL));
}

TEST(StartupOrderTest, GlobalsRecordUsedBeforeMainIsTheOneMainSees) {
    EXPECT_EQ(Globals<std::string>::impl(), noteLeftBeforeMain);
    EXPECT_EQ(*Globals<std::string>::impl(), "left before main");
}

TEST(GlobalsTest, RecordIsBuiltOnFirstUseOnly) {
    EXPECT_EQ(recordsBuilt, 0);
    Globals<CountedRecord>::init();
    EXPECT_EQ(recordsBuilt, 1);
    Globals<CountedRecord>::impl()->uses = 5;
    EXPECT_EQ(Globals<CountedRecord>::impl()->uses, 5);
    EXPECT_EQ(recordsBuilt, 1);
}

TEST(GlobalsTest, ThreadsRacingToFirstUseShareOneRecord) {
    std::vector<CountedRecord*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = Globals<CountedRecord>::impl(); });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(recordsBuilt, 1);
    for (CountedRecord* record : seen) EXPECT_EQ(record, seen[0]);
}
