#include "qt/about/about_window.h"

#include "qt/about/frmabout.h"

#include <QCoreApplication>

namespace about {

AboutWindow::AboutWindow(services::General& general, VersionNumbers version) : general_(general), version_(version)
{
}

AboutWindow::~AboutWindow()
{
    // Widgets can only be deleted while the application object exists.
    if (QCoreApplication::instance() != nullptr)
        delete window_;
}

void AboutWindow::show()
{
    // A closed window may still wait for its deferred deletion; it is gone
    // for the user, so a new one is loaded.
    if (current() == nullptr) {
        window_ = new frmAbout(general_, version_);
        window_->show();
    } else {
        window_->raise();
    }
    window_->activateWindow();
}

frmAbout* AboutWindow::current() const
{
    return window_ != nullptr && window_->isVisible() ? window_.data() : nullptr;
}

} // namespace about
