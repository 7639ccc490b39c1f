#pragma once

class TForm3;

namespace bench {

// Lets the window handle everything posted to it so far.
void settle();

// The user's picks: the combo box entry chosen and its handler run, as a click does.
void pickProject(TForm3& form, int index);
void pickGroup(TForm3& form, int group);

}  // namespace bench
