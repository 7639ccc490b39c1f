#pragma once

class TForm3;

namespace bench {

// Lets the window handle everything posted to it so far.
void settle();

// Lets the window work until the recipient field has its text.
void waitForRecipients(TForm3& form);

// The user's picks: the combo box entry chosen and its handler run, as a click does; they
// return once the recipients are in the field.
void pickProject(TForm3& form, int index);
void pickGroup(TForm3& form, int group);

// Picks the project and times, in milliseconds, until its first group is in the recipient
// field; -1, with a message, when the field then does not hold `recipients` lines.
double timedProjectLoad(TForm3& form, int index, long recipients);

}  // namespace bench
