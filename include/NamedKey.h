// NamedKey: the key values of keys that have no character. Values below 128 are character codes;
// the library's own codes for function, arrow and page keys run from 128 to LAST.
#pragma once

class NamedKey {
public:
    NamedKey() = delete;

    static constexpr int BASE = 127;
    static constexpr int BACKSPACE = 8;
    static constexpr int ENTER = 13;
    static constexpr int ESCAPE = 27;
    static constexpr int DELETE_KEY = 127;
    static constexpr int FUNCTION_1 = 128;
    static constexpr int FUNCTION_2 = 129;
    static constexpr int FUNCTION_3 = 130;
    static constexpr int FUNCTION_4 = 131;
    static constexpr int FUNCTION_5 = 132;
    static constexpr int FUNCTION_6 = 133;
    static constexpr int FUNCTION_7 = 134;
    static constexpr int FUNCTION_8 = 135;
    static constexpr int FUNCTION_9 = 136;
    static constexpr int FUNCTION_10 = 137;
    static constexpr int FUNCTION_11 = 138;
    static constexpr int FUNCTION_12 = 139;
    static constexpr int LEFT_ARROW = 140;
    static constexpr int UP_ARROW = 141;
    static constexpr int RIGHT_ARROW = 142;
    static constexpr int DOWN_ARROW = 143;
    static constexpr int PAGE_UP = 144;
    static constexpr int PAGE_DOWN = 145;
    static constexpr int HOME = 146;
    static constexpr int END = 147;
    static constexpr int INSERT = 148;
    static constexpr int LAST = 148;  // the largest valid key value
};
