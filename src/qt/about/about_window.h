#pragma once

#include "qt/about/version_numbers.h"

#include <QPointer>

namespace services {
class General;
}

class frmAbout;

namespace about {

// The program's single About window: shown modeless and without an owner,
// loaded afresh (running its Form_Load) when it is not open, and brought to
// the front when it is.
class AboutWindow {
public:
    AboutWindow(services::General& general, VersionNumbers version);
    // Unloads an About window that is still open.
    ~AboutWindow();

    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    void show();
    // The open window, or null when it is closed.
    frmAbout* current() const;

private:
    services::General& general_;
    VersionNumbers version_;
    QPointer<frmAbout> window_;
};

} // namespace about
