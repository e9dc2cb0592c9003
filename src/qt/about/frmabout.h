#pragma once

#include "qt/about/version_numbers.h"
#include "core/about/about_model.h"

#include <QDialog>

#include <array>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace services {
class General;
}

namespace about {
class DrawnLine;
class LinkLabel;
} // namespace about

// The About window: title, version, description, disclaimer, the maker's
// web and e-mail links, OK and System Info. Constructing it loads it
// (Form_Load runs); closing it in any way deletes it. What its handlers do
// is the About model's.
class frmAbout final : public QDialog, public about::AboutView {
    Q_OBJECT

public:
    frmAbout(services::General& general, about::VersionNumbers version);

    QLabel* picIcon = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    about::LinkLabel* lblEmail = nullptr;
    about::LinkLabel* lblweb = nullptr;
    // Index 1 is the grey line, index 0 the white one just below it.
    std::array<about::DrawnLine*, 2> Line1{};
    QLabel* lblDescription = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDisclaimer = nullptr;

public slots:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblweb_Click();
    void lblEmail_Click();

protected:
    // Esc presses OK, the window's cancel button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUpWindow();
    void createControls();
    void connectHandlers();

    void showVersion(const std::string& text) override;
    void unload() override;

    about::AboutModel model_;
};
