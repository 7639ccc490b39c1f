#pragma once

class TForm3;

namespace bench {

// Lets the window handle everything posted to it so far.
void settle();

// The user's picks: the combo box entry chosen and its handler run, as a click does.
void pickProject(TForm3& form, int index);
void pickGroup(TForm3& form, int group);

// Picks the project and times, in milliseconds, until its first group is in the recipient
// field; -1, with a message, when the field then does not hold `recipients` lines.
double timedProjectLoad(TForm3& form, int index, long recipients);

}  // namespace bench
