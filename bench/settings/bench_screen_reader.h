#pragma once

namespace bench {

// Switches Qt's accessibility on and listens as a screen reader does: at each caret move
// it asks for the caret and reads its line, at a focus change the name, and it takes the
// text of every edit.
void listenAsScreenReader();

}  // namespace bench
