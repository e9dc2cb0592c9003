// Identifiers for new button keys: the UUID's text, or the substitute of
// random digits when the UUID source fails.
#include "core/system/libuuid_source.h"
#include "core/services/general.h"
#include "support/temp_hive.h"
#include "support/test_doubles.h"

#include <QRegularExpression>
#include <QTest>

using namespace platform;
using services::General;

namespace {

// A UUID source whose status codes a test chooses: a missing network
// address or a failed conversion cannot be caused for real on Linux.
class FailingUuidSource final : public UuidSource {
public:
    FailingUuidSource(std::int32_t createStatus, std::int32_t toStringStatus)
        : createStatus_(createStatus), toStringStatus_(toStringStatus)
    {
    }
    std::int32_t create(Uuid* uuid) override
    {
        real_.create(uuid);
        return createStatus_;
    }
    std::int32_t toString(const Uuid& uuid, std::string* text) override
    {
        real_.toString(uuid, text);
        return toStringStatus_;
    }

private:
    LibuuidSource real_;
    std::int32_t createStatus_;
    std::int32_t toStringStatus_;
};

const QRegularExpression kUuidForm(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
const QRegularExpression kSubstituteForm(QStringLiteral("^([0-9]{8})-([0-9]{4})-([0-9]{4})-([0-9]{4})-([0-9]{11})-A$"));

} // namespace

class TestButtonIds : public QObject {
    Q_OBJECT

private slots:
    void identifierForm_data()
    {
        QTest::addColumn<int>("createStatus");
        QTest::addColumn<int>("toStringStatus");
        QTest::addColumn<bool>("substitute");
        QTest::newRow("normal") << 0 << 0 << false;
        QTest::newRow("local-only UUID is still trusted") << 1824 << 0 << false;
        QTest::newRow("no network address") << 1739 << 0 << true;
        QTest::newRow("text conversion fails") << 0 << 14 << true;
    }
    void identifierForm()
    {
        QFETCH(int, createStatus);
        QFETCH(int, toStringStatus);
        QFETCH(bool, substitute);
        TempHive hive;
        ScriptedMessageBoxes messages;
        RecordingShell shell;
        FailingUuidSource uuids(createStatus, toStringStatus);
        General general(hive.registry(), messages, shell, uuids);

        const QString id = QString::fromStdString(general.NewButtonId());
        if (!substitute) {
            QCOMPARE(id.size(), 36);
            QVERIFY2(kUuidForm.match(id).hasMatch(), qPrintable(id));
            return;
        }
        QCOMPARE(id.size(), 37);
        const QRegularExpressionMatch match = kSubstituteForm.match(id);
        QVERIFY2(match.hasMatch(), qPrintable(id));
        // One draw of four digits, written three times.
        QCOMPARE(match.captured(3), match.captured(2));
        QCOMPARE(match.captured(4), match.captured(2));
    }

    void identifiersDiffer()
    {
        TempHive hive;
        ScriptedMessageBoxes messages;
        RecordingShell shell;
        LibuuidSource uuids;
        General general(hive.registry(), messages, shell, uuids);
        QVERIFY(general.NewButtonId() != general.NewButtonId());
    }

    void randomDigits_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0;
        QTest::newRow("four") << 4;
        QTest::newRow("eight") << 8;
        QTest::newRow("eleven") << 11;
    }
    void randomDigits()
    {
        QFETCH(int, count);
        const std::string digits = General::RandomDigits(count);
        QCOMPARE(static_cast<int>(digits.size()), count);
        for (char c : digits)
            QVERIFY2(c >= '0' && c <= '9', digits.c_str());
    }

    void callsInARowDiffer()
    {
        // Each call reseeds from the clock; calls made within one tick must
        // not repeat the previous call's digits.
        for (int i = 0; i < 100; ++i)
            QVERIFY(General::RandomDigits(11) != General::RandomDigits(11));
    }

    void digitsAreSpread()
    {
        // Every digit turns up over many draws: the draw is not stuck.
        std::string all;
        for (int i = 0; i < 50; ++i)
            all += General::RandomDigits(11);
        for (char digit = '0'; digit <= '9'; ++digit)
            QVERIFY2(all.find(digit) != std::string::npos, std::string(1, digit).c_str());
    }
};

QTEST_GUILESS_MAIN(TestButtonIds)
#include "test_button_ids.moc"
