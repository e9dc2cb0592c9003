#pragma once

// The program ends when its last open window has closed: each window says
// when it opens and when it closes.
namespace win32 {

class OpenWindows {
public:
    void opened() { ++count_; }
    // Ends the message loop when no window is left.
    void closed();

private:
    int count_ = 0;
};

} // namespace win32
