#pragma once

#include <string>

namespace services {
class General;
}

namespace about {

// What the About window needs of whatever draws it.
class AboutView {
public:
    virtual ~AboutView() = default;
    virtual void showVersion(const std::string& text) = 0;
    // Closes and unloads the window.
    virtual void unload() = 0;
};

// "Version <major>.<minor>", in plain decimal; the revision is not shown.
std::string versionLine(int major, int minor);

// What the About window does, whatever draws it: the handlers of its
// controls, under their names.
class AboutModel {
public:
    AboutModel(services::General& general, AboutView& view, int major, int minor);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblweb_Click();
    void lblEmail_Click();

private:
    services::General& general_;
    AboutView& view_;
    int major_;
    int minor_;
};

} // namespace about
