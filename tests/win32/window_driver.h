#pragma once

#include <windows.h>

#include <string>

// Drives a dialog through window messages as a person would: picks in a
// combo box, types into fields, clicks buttons, presses keys.
namespace win32_test {

// Runs the messages waiting for this thread, as the program's loop would.
void pumpMessages();
// Runs messages as they arrive until done() holds, looking again at least
// every tenth of a second (what it waits for may happen in another process,
// which sends this thread nothing); false when it still does not hold after
// half a minute.
template <typename Done> bool runUntil(Done done)
{
    for (int look = 0; look < 300 && !done(); ++look) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        pumpMessages();
    }
    return done();
}

std::string controlText(HWND dialog, int id);
bool isEnabled(HWND dialog, int id);
// Picks the entry at index from the combo box's list.
void pick(HWND dialog, int comboId, int index);
// Replaces the field's text by typing text into it, one character at a time.
void type(HWND dialog, int editId, const std::string& text);
void click(HWND dialog, int buttonId);
// Presses and releases key (with Alt held when alt is true) through the
// system's input queue, to whatever window has the keyboard focus.
void press(WORD key, bool alt = false);

} // namespace win32_test
