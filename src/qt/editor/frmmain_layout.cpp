#include "qt/widgets/drawn_line.h"
#include "qt/widgets/link_label.h"
#include "qt/widgets/readable_colour.h"
#include "qt/editor/button_chooser.h"
#include "core/editor/editor_texts.h"
#include "qt/editor/frmmain.h"
#include "qt/desktop/window_metrics.h"
#include "resources/program_icon.h"
#include "core/services/maker.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <limits>

namespace texts = editor::texts;
using platform::twipsRect;
using platform::twipsToPixels;

namespace {

// Positions and sizes in twips, from the top-left corner of the client area.
struct Twips {
    int left, top, width, height;
};

void place(QWidget& control, const char* name, Twips at)
{
    control.setObjectName(QString::fromLatin1(name));
    control.setGeometry(twipsRect(at.left, at.top, at.width, at.height));
}

QLabel* makeLabel(QWidget& client, const char* name, const char* text, Twips at)
{
    auto* label = new QLabel(QString::fromUtf8(text), &client);
    label->setTextFormat(Qt::PlainText);
    // Opaque, in the window's background colour.
    label->setAutoFillBackground(true);
    label->setAccessibleName(label->text());
    place(*label, name, at);
    return label;
}

void makeUnlimited(QLineEdit& box)
{
    box.setMaxLength(std::numeric_limits<int>::max());
}

// A text box named, for screen readers, by the label above it.
QLineEdit* makeTextBox(QWidget& client, const char* name, QLabel& caption, Twips at)
{
    auto* box = new QLineEdit(&client);
    makeUnlimited(*box);
    caption.setBuddy(box);
    box->setAccessibleName(caption.text());
    place(*box, name, at);
    return box;
}

QPushButton* makeButton(QWidget& client, const char* name, const char* text, Twips at)
{
    auto* button = new QPushButton(QString::fromUtf8(text), &client);
    // Enter presses no button.
    button->setAutoDefault(false);
    button->setAccessibleName(button->text());
    place(*button, name, at);
    return button;
}

QPushButton* makeBrowseButton(QWidget& client, const char* name, const char* pickerTitle, int top)
{
    QPushButton* button = makeButton(client, name, "Browse", {2970, top, 1215, 255});
    button->setAccessibleDescription(QString::fromUtf8(pickerTitle));
    return button;
}

} // namespace

void frmMain::buildWindow()
{
    setWindowTitle(QString::fromUtf8(texts::kCaption));
    setWindowIcon(resources::programIcon());
    // A fixed frame with the system menu and close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    mnuAbout = menuBar()->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(4320), twipsToPixels(5085));
    client->setFont(platform::dialogFont());
    setCentralWidget(client);
    buildControls(*client);
    chainTabOrder();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    // The frame is not known before the window is shown; centring its
    // inside is as close as that allows.
    if (const QScreen* shownOn = screen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), shownOn->availableGeometry()));
    cmbButtons->setFocus();
}

void frmMain::buildControls(QWidget& client)
{
    cmbButtons = new QComboBox(&client);
    editor::makeChooser(*cmbButtons);
    cmbButtons->setEditText(QString::fromUtf8(texts::kPrompt));
    cmbButtons->setAccessibleName(QStringLiteral("Toolbar buttons"));
    place(*cmbButtons, "cmbButtons", {15, 90, 4245, 315});

    // A one-pixel rule that runs past the right edge and is clipped there.
    Line1 = new about::DrawnLine(&client, 0, twipsToPixels(5760), twipsToPixels(480), 1,
                                 client.palette().color(QPalette::WindowText));
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setAccessibleName(QStringLiteral("Separator"));

    lblButtonText = makeLabel(client, "lblButtonText", "Button Text (Should be < 12 Characters)", {0, 555, 2910, 255});
    txtButtonText = makeTextBox(client, "txtButtonText", *lblButtonText, {0, 750, 4215, 285});
    lblExec = makeLabel(client, "lblExec", "Executable or URL", {0, 1155, 1470, 255});
    txtExec = makeTextBox(client, "txtExec", *lblExec, {0, 1350, 2895, 285});
    cmdExecBrowse = makeBrowseButton(client, "cmdExecBrowse", texts::kExecPickerTitle, 1365);
    lblIcon = makeLabel(client, "lblIcon", "Icon", {0, 1755, 465, 255});
    txtIcon = makeTextBox(client, "txtIcon", *lblIcon, {0, 1950, 2895, 285});
    cmdIconBrowse = makeBrowseButton(client, "cmdIconBrowse", texts::kIconPickerTitle, 1965);
    lblHotIcon = makeLabel(client, "lblHotIcon", "Mouse Over Icon", {0, 2340, 1365, 255});
    txtMO = makeTextBox(client, "txtMO", *lblHotIcon, {0, 2535, 2895, 285});
    cmdMOBrowse = makeBrowseButton(client, "cmdMOBrowse", texts::kHotIconPickerTitle, 2550);
    lblStatusBar = makeLabel(client, "lblStatusBar", "Status Bar Text", {0, 2925, 1215, 255});
    txtStatusBar = makeTextBox(client, "txtStatusBar", *lblStatusBar, {0, 3120, 4215, 285});
    lblMenuText = makeLabel(client, "lblMenuText", "'Tools' Menu Text", {0, 3510, 1350, 255});
    txtToolsMenu = makeTextBox(client, "txtToolsMenu", *lblMenuText, {0, 3705, 4215, 285});

    cmdSave = makeButton(client, "cmdSave", "Save Button", {143, 4080, 1215, 495});
    cmdSave->setEnabled(false);
    cmdDelete = makeButton(client, "cmdDelete", "Delete Button", {1553, 4080, 1215, 495});
    cmdDelete->setEnabled(false);
    cmdExit = makeButton(client, "cmdExit", "Exit", {2963, 4080, 1215, 495});

    txtFix = std::make_unique<QLineEdit>(QStringLiteral("Text1"));
    txtFix->setObjectName(QStringLiteral("txtFix"));
    makeUnlimited(*txtFix);
    cmbCLS = std::make_unique<QComboBox>();
    cmbCLS->setObjectName(QStringLiteral("cmbCLS"));
    editor::makeChooser(*cmbCLS);
    cmbCLS->setEditText(QStringLiteral("Combo1"));

    lblweb = new about::LinkLabel(&client);
    lblweb->setText(QString::fromUtf8(services::maker::kWebSiteShown));
    lblweb->setTextFormat(Qt::PlainText);
    lblweb->setAutoFillBackground(true);
    about::setReadableLinkColour(*lblweb);
    QFont underlined = lblweb->font();
    underlined.setUnderline(true);
    lblweb->setFont(underlined);
    lblweb->setAccessibleName(lblweb->text());
    lblweb->setAccessibleDescription(QStringLiteral("Opens the maker's web page"));
    place(*lblweb, "lblweb", {885, 4830, 2505, 240});
}

void frmMain::chainTabOrder()
{
    QWidget* const order[] = {cmbButtons,  txtButtonText, txtExec,      cmdExecBrowse, txtIcon,   cmdIconBrowse, txtMO,
                              cmdMOBrowse, txtStatusBar,  txtToolsMenu, cmdSave,       cmdDelete, cmdExit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
