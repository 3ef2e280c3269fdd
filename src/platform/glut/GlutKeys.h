// The toolkit's key codes as the library's keys. Pure: no toolkit call, so it is tested without a
// display.
#pragma once

namespace platform::glut {

// The NamedKey for a toolkit special-key code, 0 for none.
int glutKeyToNamedKey(int key);

}  // namespace platform::glut
