// File-scope objects of a translation unit other than the library's, built before main from the
// library's constants and a Globals record, the way an application's globals are.
#include <string>

#include "Color.h"
#include "KeyModifiers.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "NamedKey.h"
#include "Style.h"
#include "Transform.h"
#include "shared/Globals.h"

extern const Style outlineStyle(Color::RED, 3, Style::XOR_OP, Style::defaultpattern);
extern const Style copiedStyle = Style::INVERTED;
extern const Color copiedColor = Color::GREEN;
extern const KeyModifiers copiedModifiers = KeyModifiers::SHIFT_AND_ALT;
extern const KeyboardEvent enterWithAnyModifiers(NamedKey::ENTER, KeyModifiers::ANY_MODIFIERS);
extern const MouseEvent anyClickAnywhere(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::ANY_BUTTON, -1, -1,
                                         KeyModifiers::ANY_MODIFIERS);
extern const double copiedScale = Transform::SCALE;

static std::string* leaveNote() {
    std::string* note = Globals<std::string>::impl();
    *note = "left before main";
    return note;
}
extern std::string* const noteLeftBeforeMain = leaveNote();
