#include "editor_harness.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

std::string buttonPath(const std::string& keyName)
{
    return kExtensions + "\\" + keyName;
}

EditorHarness::EditorHarness()
{
    hive.createKey(kExtensions);
}

EditorHarness::~EditorHarness() = default;

void EditorHarness::putButton(const std::string& keyName, const ButtonValues& values)
{
    hive.createKey(buttonPath(keyName));
    for (const auto& [name, text] : values)
        hive.putString(buttonPath(keyName), name, text);
}

frmMain& EditorHarness::open(platform::Registry* registry, platform::UuidSource* uuids)
{
    general_ = std::make_unique<services::General>(registry != nullptr ? *registry : hive.registry(), messages, shell,
                                                   uuids != nullptr ? *uuids : libuuid_);
    about_ = std::make_unique<about::AboutWindow>(*general_, about::VersionNumbers{});
    window_ = std::make_unique<frmMain>(*general_, files, *about_);
    return *window_;
}

void EditorHarness::pick(int index)
{
    window_->cmbButtons->setCurrentIndex(index);
    emit window_->cmbButtons->activated(index);
}

void EditorHarness::pickKey(const std::string& keyName)
{
    pick(window_->cmbCLS->findText(QString::fromStdString(keyName), Qt::MatchExactly));
}

QStringList EditorHarness::fieldTexts() const
{
    const frmMain& w = *window_;
    return {w.txtButtonText->text(), w.txtExec->text(),      w.txtIcon->text(),
            w.txtMO->text(),         w.txtStatusBar->text(), w.txtToolsMenu->text()};
}

void EditorHarness::fillFields(const QStringList& texts)
{
    frmMain& w = *window_;
    QLineEdit* const fields[] = {w.txtButtonText, w.txtExec, w.txtIcon, w.txtMO, w.txtStatusBar, w.txtToolsMenu};
    for (int i = 0; i < texts.size(); ++i)
        fields[i]->setText(texts[i]);
}

std::optional<std::string> EditorHarness::stringOnDisk(const std::string& keyName, const std::string& valueName) const
{
    const auto value = hive.readOnDisk(buttonPath(keyName), valueName);
    if (!value)
        return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

QStringList EditorHarness::valueNamesOnDisk(const std::string& keyName) const
{
    static const char* const names[] = {"ButtonText",    "Exec",     "Icon",  "HotIcon",
                                        "MenuStatusBar", "MenuText", "ClSID", "Default Visible"};
    QStringList found;
    for (const char* name : names)
        if (hive.readOnDisk(buttonPath(keyName), name))
            found << QString::fromLatin1(name);
    return found;
}

std::vector<std::string> EditorHarness::buttonKeysOnDisk() const
{
    return hive.subKeysOnDisk(kExtensions).value_or(std::vector<std::string>{});
}

void EditorHarness::deleteElsewhere(const std::string& keyName) const
{
    const auto other = hive.openAgain();
    const auto [root, subKey] = splitTestPath(buttonPath(keyName));
    if (other->deleteKey(root, subKey) != platform::kSuccess || other->flush() != platform::kSuccess)
        QTest::qFail("another view of the hive could not delete the key", __FILE__, __LINE__);
}

std::unique_ptr<platform::HiveRegistry> EditorHarness::openReadOnly() const
{
    QFile::setPermissions(QString::fromStdString(hive.path()), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    return hive.openAgain();
}

QStringList entries(const QComboBox& combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}
