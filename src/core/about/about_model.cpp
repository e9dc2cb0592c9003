#include "core/about/about_model.h"

#include "core/about/sys_info_launcher.h"
#include "core/services/general.h"

namespace about {

std::string versionLine(int major, int minor)
{
    return "Version " + std::to_string(major) + "." + std::to_string(minor);
}

AboutModel::AboutModel(services::General& general, AboutView& view, int major, int minor)
    : general_(general), view_(view), major_(major), minor_(minor)
{
}

void AboutModel::Form_Load()
{
    view_.showVersion(versionLine(major_, minor_));
}

void AboutModel::cmdOK_Click()
{
    view_.unload();
}

void AboutModel::cmdSysInfo_Click()
{
    StartSysInfo(general_);
}

void AboutModel::lblweb_Click()
{
    general_.OpenWebPage();
}

void AboutModel::lblEmail_Click()
{
    general_.OpenMailMessage();
}

} // namespace about
