#include "qt/about/frmabout.h"

#include "qt/widgets/drawn_line.h"
#include "qt/widgets/link_label.h"
#include "qt/widgets/readable_colour.h"
#include "core/about/about_texts.h"
#include "qt/desktop/window_metrics.h"
#include "resources/program_icon.h"
#include "core/services/maker.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

using platform::twipsRect;
using platform::twipsToPixels;

const QColor kBlack(0, 0, 0);
const QColor kLineGrey(128, 128, 128);
const QColor kLineWhite(255, 255, 255);

// The label's fixed colour where it reads well on the window's face colour;
// under a dark theme, the palette's own.
void setTextColour(QWidget* widget, const QColor& colour)
{
    about::setReadableTextColour(*widget, {colour, widget->palette().color(QPalette::WindowText)});
}

// A fixed-size label that wraps at word boundaries, opaque on the window's
// face colour, and takes no focus.
void setUpLabel(QLabel* label, const char* name, const QString& text, const QRect& geometry)
{
    label->setObjectName(QString::fromLatin1(name));
    label->setText(text);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    label->setFocusPolicy(Qt::NoFocus);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    setUpLabel(label, name, text, geometry);
    return label;
}

about::LinkLabel* makeLink(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                           const QString& description)
{
    auto* link = new about::LinkLabel(parent);
    setUpLabel(link, name, text, geometry);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    about::setReadableLinkColour(*link);
    link->setAccessibleDescription(description);
    return link;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

// One element of the line array Line1, from a point to x2 (in twips), a
// number of pixels thick.
about::DrawnLine* makeLine(QWidget* parent, int index, QPoint fromTwips, int x2Twips, int thickness,
                           const QColor& colour)
{
    auto* line = new about::DrawnLine(parent, twipsToPixels(fromTwips.x()), twipsToPixels(x2Twips),
                                      twipsToPixels(fromTwips.y()), thickness, colour);
    line->setObjectName(QStringLiteral("Line1_%1").arg(index));
    line->setAccessibleName(QStringLiteral("Separator"));
    return line;
}

} // namespace

frmAbout::frmAbout(services::General& general, about::VersionNumbers version)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      model_(general, *this, version.major, version.minor)
{
    setUpWindow();
    createControls();
    connectHandlers();
    Form_Load();
}

void frmAbout::setUpWindow()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QString::fromUtf8(about::texts::kCaption));
    setWindowIcon(resources::programIcon());
    setFont(platform::dialogFont());
    // Closing unloads the window, so the next opening loads it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    // Qt leaves tool windows out when it decides whether the last window has
    // closed; this one has no owner and keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, true);

    const QSize clientSize(twipsToPixels(5730), twipsToPixels(3345));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint screenOrigin = screen != nullptr ? screen->geometry().topLeft() : QPoint();
    setGeometry(QRect(screenOrigin + platform::twipsPoint(2340, 1935), clientSize));
    setFixedSize(clientSize);
}

void frmAbout::createControls()
{
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(resources::programPixmap(picIcon->devicePixelRatioF()));
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setAlignment(Qt::AlignCenter);
    // Sizes itself to its picture.
    const int border = picIcon->frameWidth();
    picIcon->setGeometry(
        QRect(platform::twipsPoint(240, 240),
              picIcon->pixmap().deviceIndependentSize().toSize() + QSize(2 * border, 2 * border)));
    picIcon->setFocusPolicy(Qt::TabFocus);
    picIcon->setAccessibleName(QStringLiteral("Pennant program icon"));

    cmdOK = makeButton(this, "cmdOK", QStringLiteral("OK"), twipsRect(4245, 2400, 1260, 345));
    cmdOK->setDefault(true);
    cmdSysInfo = makeButton(this, "cmdSysInfo", QStringLiteral("&System Info..."), twipsRect(4260, 2850, 1245, 345));
    cmdSysInfo->setAccessibleName(QStringLiteral("System Info"));

    lblEmail =
        makeLink(this, "lblEmail", QString::fromUtf8(services::maker::kMailShown), twipsRect(1050, 825, 2100, 225),
                 QStringLiteral("Link: writes a new e-mail message to the maker"));
    lblweb = makeLink(this, "lblweb", QString::fromUtf8(services::maker::kWebSiteUrlShown),
                      twipsRect(1035, 525, 2505, 240), QStringLiteral("Link: opens the maker's web page"));

    Line1[1] = makeLine(this, 1, {90, 2220}, 5654, 1, kLineGrey);

    lblDescription =
        makeLabel(this, "lblDescription", QString::fromUtf8(about::texts::kDescription), twipsRect(1050, 1485, 4590, 720));
    setTextColour(lblDescription, kBlack);
    lblTitle = makeLabel(this, "lblTitle", QString::fromUtf8(about::texts::kTitle), twipsRect(1035, 240, 4410, 285));
    setTextColour(lblTitle, kBlack);

    Line1[0] = makeLine(this, 0, {105, 2235}, 5654, 2, kLineWhite);

    lblVersion = makeLabel(this, "lblVersion", QStringLiteral("Version"), twipsRect(1050, 1140, 3885, 225));
    lblDisclaimer = makeLabel(this, "lblDisclaimer", QString::fromUtf8(about::texts::kDisclaimer), twipsRect(255, 2400, 3870, 825));
    setTextColour(lblDisclaimer, kBlack);

    // Tab order: OK, the icon, System Info; the focus starts on OK.
    setTabOrder(cmdOK, picIcon);
    setTabOrder(picIcon, cmdSysInfo);
    cmdOK->setFocus();
}

void frmAbout::connectHandlers()
{
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(lblweb, &about::LinkLabel::clicked, this, &frmAbout::lblweb_Click);
    connect(lblEmail, &about::LinkLabel::clicked, this, &frmAbout::lblEmail_Click);
}

void frmAbout::Form_Load()
{
    model_.Form_Load();
}

void frmAbout::cmdOK_Click()
{
    model_.cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click()
{
    model_.cmdSysInfo_Click();
}

void frmAbout::lblweb_Click()
{
    model_.lblweb_Click();
}

void frmAbout::lblEmail_Click()
{
    model_.lblEmail_Click();
}

void frmAbout::showVersion(const std::string& text)
{
    lblVersion->setText(QString::fromStdString(text));
}

void frmAbout::unload()
{
    close();
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
