// Real keyboard input for the window tests: keys go through the system's input queue with
// SendInput, to whichever window has the focus, as a person's typing does. Nothing here
// says where the keys should go: that is what the tests check.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace keys {

// Presses the keys together: each goes down in order, then up in reverse order.
// Returns once the program's thread has taken the keys (the thread of the foreground window
// took the last key-up), or after a limit when it does not.
void Press(std::initializer_list<WORD> chord);
void Press(const std::vector<WORD>& chord);
// Types digits, Latin letters, blanks, commas and dashes (as their keys, without Shift).
void Type(const std::string& text);
// Presses the keys, then waits until the condition holds; false when it never did.
bool PressUntil(std::initializer_list<WORD> chord, const std::function<bool()>& condition, int timeoutMs = 3000);

// Sends a key no window acts on (F24) and waits until the thread of the foreground window
// has taken it: every key and click sent before it has been taken (or dropped) by then.
bool WaitUntilInputTaken(int timeoutMs = 5000);

// The window that has the keyboard focus in the thread of window (null: none).
HWND FocusIn(HWND window);

// A context menu shown by the program (a popup menu window), null when none shows in time.
HWND WaitForPopupMenu(int timeoutMs = 5000);
// Moves the menu's highlight to the item at index with the Down key and chooses it with
// Enter; false when the item was never highlighted.
bool ChooseWithKeys(HWND menuWindow, int index);

}  // namespace keys
