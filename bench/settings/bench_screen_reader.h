#pragma once

namespace bench {

// How a stand-in screen reader takes the text of every edit.
enum class EditText {
    Held,  // keeps it, as a tool that reads it only when asked
    Read,  // reads every character, as a bridge that sends it on to another process
};

// Switches Qt's accessibility on and listens as a screen reader does: at each caret move
// it asks for the caret and reads its line, at a focus change the name, and it takes the
// text of every edit.
void listenAsScreenReader(EditText editText = EditText::Held);

}  // namespace bench
