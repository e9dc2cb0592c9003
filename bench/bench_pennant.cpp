// Pennant beside raw libhivex on hives of 100, 1,000 and 10,000 buttons and
// on a SOFTWARE-like hive of about 70 MB, each figure measured in the same
// run (medians). Prints one table per hive.
//
//   bench_pennant [--quick]      (--quick: 100 and 1,000 buttons only)
#include "fixture_hive.h"
#include "raw_hivex.h"

#include "core/system/dialogs.h"
#include "core/system/shell.h"
#include "core/system/uuid.h"
#include "core/hive_format/hive_check.h"
#include "core/hive_format/mapped_file.h"
#include "core/registry/hive/hive_registry.h"
#include "core/services/button_layout.h"
#include "core/services/button_store.h"
#include "core/services/general.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace b = services::buttons;
using bench::RawHive;
using platform::kSuccess;

namespace {

// Nothing here should show a message or reach the shell: say so loudly.
class ReportingMessages final : public platform::MessageBoxes {
public:
    platform::MessageAnswer show(const platform::MessageRequest& request) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", request.text.c_str());
        return platform::MessageAnswer::Ok;
    }
};
class NoShell final : public platform::Shell {
public:
    bool openLink(const std::string&) override { return false; }
    bool startProgram(const std::string&) override { return false; }
    bool isOrdinaryFile(const std::string&) override { return false; }
};
class NoUuids final : public platform::UuidSource {
public:
    std::int32_t create(platform::Uuid*) override { return -1; }
    std::int32_t toString(const platform::Uuid&, std::string*) override { return -1; }
};

const std::vector<std::string> kLoadedValues = {b::kButtonText, b::kExec,          b::kIcon,
                                                b::kHotIcon,    b::kMenuStatusBar, b::kMenuText};
const std::vector<std::string> kEveryValue = {b::kButtonText,    b::kExec,     b::kIcon,  b::kHotIcon,
                                              b::kMenuStatusBar, b::kMenuText, b::kClsid, b::kDefaultVisible};

RawHive::Values buttonValues(int i, bool created)
{
    const std::string text = "Benchmark " + std::to_string(i);
    RawHive::Values values = {{b::kButtonText, text},         {b::kExec, "C:\\bench\\" + text + ".exe"},
                              {b::kIcon, "C:\\bench\\a.ico"}, {b::kHotIcon, "C:\\bench\\b.ico"},
                              {b::kMenuStatusBar, text},      {b::kMenuText, text}};
    if (created) {
        values.emplace_back(b::kClsid, b::kClsidText);
        values.emplace_back(b::kDefaultVisible, b::kDefaultVisibleText);
    }
    return values;
}

struct Fixture {
    std::string label;
    std::string path;
    int buttons = 0;
    int reps = 5;
};

struct Row {
    std::string what;
    double pennant = 0;
    double raw = 0;
    const char* unit = "ms";
};

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

double msOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

bool copyFile(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    return !error;
}

double fileSize(const std::string& path)
{
    std::error_code error;
    return static_cast<double>(std::filesystem::file_size(path, error));
}

void fail(const std::string& what)
{
    std::fprintf(stderr, "benchmark step failed: %s\n", what.c_str());
    std::exit(1);
}

// Pennant's side: the registry backend and the shared procedures the
// editor uses, without windows.
struct PennantHive {
    explicit PennantHive(const std::string& path)
    {
        std::string error;
        registry = platform::HiveRegistry::open(path, &error);
        if (!registry)
            fail(error);
        general = std::make_unique<services::General>(*registry, messages, shell, uuids);
    }

    // The list as the editor fills it; returns how many buttons it holds.
    std::size_t listButtons()
    {
        const auto listed = services::listButtons(*general);
        if (!listed)
            fail("list the buttons");
        return listed->size();
    }

    // Reads every value of every button in one action; returns how many
    // were read.
    std::size_t readEveryValue()
    {
        const platform::RegistryAction action(*registry);
        platform::HKEY key = 0;
        if (registry->openKey(platform::kLocalMachine, b::kExtensionsPath, platform::kKeyEnumerateSubKeys, &key) !=
            kSuccess)
            fail("open the Extensions key");
        std::size_t listed = 0;
        char name[256];
        for (std::uint32_t index = 0;; ++index) {
            std::uint32_t length = sizeof name;
            if (registry->enumKey(key, index, name, &length) != kSuccess)
                break;
            for (const std::string& valueName : kEveryValue)
                listed += general->ReadRegString(path(std::string(name, length)), valueName) != "Error";
        }
        registry->closeKey(key);
        return listed;
    }

    static std::string path(const std::string& keyName)
    {
        return std::string(b::kRootName) + "\\" + b::kExtensionsPath + "\\" + keyName;
    }

    void write(const std::string& keyName, const RawHive::Values& values)
    {
        for (const auto& [name, text] : values)
            if (general->WriteRegString(path(keyName), name, text) != kSuccess)
                fail("write " + name);
    }

    void flush()
    {
        if (registry->flush() != kSuccess)
            fail("flush");
    }

    ReportingMessages messages;
    NoShell shell;
    NoUuids uuids;
    std::unique_ptr<platform::HiveRegistry> registry;
    std::unique_ptr<services::General> general;
};

// Starts the program on the hive and waits until its main window is shown
// (it says so on its standard output); returns the time taken and the
// process's peak resident memory in KiB.
std::pair<double, double> startUp(const std::string& hive)
{
    QProcess program;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    program.start(PENNANT_PROGRAM, {"--hive", QString::fromStdString(hive)});
    QByteArray output;
    while (!output.contains("Pennant is editing") && program.waitForReadyRead(30000))
        output += program.readAllStandardOutput();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    double peakKiB = 0;
    QFile status(QString("/proc/%1/status").arg(program.processId()));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakKiB = line.mid(6).trimmed().split(' ').front().toDouble();
    program.kill();
    program.waitForFinished();
    if (!output.contains("Pennant is editing"))
        fail("start the program on " + hive);
    return {ms, peakKiB};
}

struct GrowthPerButton {
    double pennant = 0;
    double raw = 0;
};

// The file grows in 4 KiB pages, so one button cannot show its own growth:
// create several, then flush once.
GrowthPerButton growthPerButton(const Fixture& fixture, const std::string& pennantCopy, const std::string& rawCopy)
{
    constexpr int kCreated = 32;
    if (!copyFile(fixture.path, pennantCopy) || !copyFile(fixture.path, rawCopy))
        fail("copy the fixture");
    const double before = fileSize(fixture.path);
    {
        PennantHive pennant(pennantCopy);
        for (int i = 0; i < kCreated; ++i) {
            const std::string name = bench::fixtureButtonName(2'000'000 + i);
            if (pennant.general->CreateRegKey(PennantHive::path(name)) != kSuccess)
                fail("create");
            pennant.write(name, buttonValues(i, true));
        }
        pennant.flush();
    }
    RawHive raw(rawCopy, true);
    for (int i = 0; i < kCreated; ++i)
        if (!raw.createButton(bench::fixtureButtonName(2'000'000 + i), buttonValues(i, true)))
            fail("create through libhivex");
    if (!raw.commitAtomically(rawCopy))
        fail("commit through libhivex");
    return {(fileSize(pennantCopy) - before) / 1024 / kCreated, (fileSize(rawCopy) - before) / 1024 / kCreated};
}

std::vector<Row> measure(const Fixture& fixture, const std::string& work, const std::string& emptyHive)
{
    const std::string pennantCopy = work + "/pennant";
    const std::string rawCopy = work + "/raw";
    std::vector<double> check[2], open[2], listFirst[2], listAgain[2], listAll[2], load[2], create[2], createFlushed[2],
        update[2], remove[2];
    const std::string middle = bench::fixtureButtonName(fixture.buttons / 2);
    for (int rep = 0; rep < fixture.reps; ++rep) {
        const std::string name = bench::fixtureButtonName(1'000'000 + rep);
        if (!copyFile(fixture.path, pennantCopy) || !copyFile(fixture.path, rawCopy))
            fail("copy the fixture");
        // Otherwise the first save's fsync would also wait for the copies
        // to reach the disk, and only Pennant's side would pay for that.
        ::sync();
        // The structural check walks every cell of the mapped file;
        // libhivex's own open for writing reads the file and its hbins.
        check[0].push_back(msOf([&] {
            const int fd = ::open(pennantCopy.c_str(), O_RDONLY | O_CLOEXEC);
            const platform::MappedFile mapped(fd);
            if (fd >= 0)
                ::close(fd);
            if (!mapped.isOpen() || !platform::checkHive(mapped.data(), mapped.size()).sound())
                fail("check the fixture");
        }));
        check[1].push_back(msOf([&] {
            if (!RawHive(rawCopy, true).isOpen())
                fail("open the fixture for writing through libhivex");
        }));
        {
            std::unique_ptr<PennantHive> pennant;
            open[0].push_back(msOf([&] { pennant = std::make_unique<PennantHive>(pennantCopy); }));
            std::size_t listed = 0;
            listFirst[0].push_back(msOf([&] { listed = pennant->listButtons(); }));
            listAgain[0].push_back(msOf([&] { pennant->listButtons(); }));
            if (listed != static_cast<std::size_t>(fixture.buttons))
                fail("list every button");
            listAll[0].push_back(msOf([&] { pennant->readEveryValue(); }));
            load[0].push_back(msOf([&] {
                for (const std::string& value : kLoadedValues)
                    if (pennant->general->ReadRegString(PennantHive::path(middle), value) == "Error")
                        fail("load " + value);
            }));
            create[0].push_back(msOf([&] {
                if (pennant->general->CreateRegKey(PennantHive::path(name)) != kSuccess)
                    fail("create");
                pennant->write(name, buttonValues(rep, true));
            }));
            createFlushed[0].push_back(create[0].back() + msOf([&] { pennant->flush(); }));
            update[0].push_back(msOf([&] {
                pennant->write(middle, buttonValues(rep, false));
                pennant->flush();
            }));
            remove[0].push_back(msOf([&] {
                if (pennant->registry->deleteKey(platform::kLocalMachine,
                                                 std::string(b::kExtensionsPath) + "\\" + name) != kSuccess ||
                    pennant->registry->flush() != kSuccess)
                    fail("delete");
            }));
        }
        {
            std::unique_ptr<RawHive> raw;
            open[1].push_back(msOf([&] { raw = std::make_unique<RawHive>(rawCopy, false); }));
            std::size_t listed = 0;
            listFirst[1].push_back(msOf([&] { listed = raw->listButtonTexts(); }));
            listAgain[1].push_back(msOf([&] { raw->listButtonTexts(); }));
            listAll[1].push_back(msOf([&] { raw->listButtonTexts(kEveryValue); }));
            load[1].push_back(msOf([&] { raw->loadButton(middle, kLoadedValues); }));
            if (listed != static_cast<std::size_t>(fixture.buttons))
                fail("list every button through libhivex");
            // Writing needs a handle opened for writing, as Pennant's is.
            raw = std::make_unique<RawHive>(rawCopy, true);
            create[1].push_back(msOf([&] {
                if (!raw->createButton(name, buttonValues(rep, true)))
                    fail("create through libhivex");
            }));
            createFlushed[1].push_back(create[1].back() + msOf([&] {
                                           if (!raw->commitAtomically(rawCopy))
                                               fail("commit through libhivex");
                                       }));
            update[1].push_back(msOf([&] {
                if (!raw->updateButton(middle, buttonValues(rep, false)) || !raw->commitAtomically(rawCopy))
                    fail("update through libhivex");
            }));
            remove[1].push_back(msOf([&] {
                if (!raw->deleteButton(name) || !raw->commitAtomically(rawCopy))
                    fail("delete through libhivex");
            }));
        }
    }
    const GrowthPerButton growth = growthPerButton(fixture, pennantCopy, rawCopy);
    std::vector<double> startMs, peakKiB, emptyMs, emptyPeakKiB;
    for (int rep = 0; rep < 3; ++rep) {
        const auto [ms, peak] = startUp(fixture.path);
        const auto [msEmpty, peakEmpty] = startUp(emptyHive);
        startMs.push_back(ms);
        peakKiB.push_back(peak);
        emptyMs.push_back(msEmpty);
        emptyPeakKiB.push_back(peakEmpty);
    }
    const double buttons = std::max(1, fixture.buttons);
    const double emptySize = fileSize(emptyHive);
    std::vector<Row> rows = {
        {"check the whole hive (raw: open read-write)", median(check[0]), median(check[1])},
        {"open the hive (raw: read-only)", median(open[0]), median(open[1])},
        {"list buttons, first time", median(listFirst[0]), median(listFirst[1])},
        {"list buttons again", median(listAgain[0]), median(listAgain[1])},
        {"list buttons, all 8 values each", median(listAll[0]), median(listAll[1])},
        {"load one button (6 values)", median(load[0]), median(load[1])},
        {"create one button, no flush", median(create[0]), median(create[1])},
        {"create one button + flush", median(createFlushed[0]), median(createFlushed[1])},
        {"update one button + flush", median(update[0]), median(update[1])},
        {"delete one button + flush", median(remove[0]), median(remove[1])},
        {"hive growth per new button", growth.pennant, growth.raw, "KiB"},
        {"start-up to window shown (raw: no buttons)", median(startMs), median(emptyMs)},
        {"peak memory (raw: no buttons)", median(peakKiB) / 1024, median(emptyPeakKiB) / 1024, "MiB"},
    };
    if (fixture.buttons >= 1000)
        rows.push_back({"memory per button (raw: hive bytes)", (median(peakKiB) - median(emptyPeakKiB)) / buttons,
                        (fileSize(fixture.path) - emptySize) / 1024 / buttons, "KiB"});
    return rows;
}

void print(const Fixture& fixture, const std::vector<Row>& rows)
{
    std::printf("\n%s (%.1f MB)\n\n", fixture.label.c_str(), fileSize(fixture.path) / 1e6);
    std::printf("| what | Pennant | raw libhivex | ratio |\n|---|---|---|---|\n");
    for (const Row& row : rows)
        std::printf("| %s | %.2f %s | %.2f %s | %.2f× |\n", row.what.c_str(), row.pennant, row.unit, row.raw, row.unit,
                    row.raw > 0 ? row.pennant / row.raw : 0.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::string error;
    const std::string emptyHive = root + "/empty";
    if (!bench::buttonsHive(0).save(emptyHive, &error))
        fail(error);

    std::vector<Fixture> fixtures = {{"100 buttons", root + "/b100", 100, 7},
                                     {"1,000 buttons", root + "/b1000", 1000, 7}};
    if (!quick) {
        fixtures.push_back({"10,000 buttons", root + "/b10000", 10000, 5});
        fixtures.push_back({"SOFTWARE-like hive, 100 buttons", root + "/software", 100, 3});
    }
    for (const Fixture& fixture : fixtures) {
        bench::FixtureHive hive =
            fixture.label.rfind("SOFTWARE", 0) == 0 ? bench::softwareHive() : bench::buttonsHive(fixture.buttons);
        const double writeMs = msOf([&] {
            if (!hive.save(fixture.path, &error))
                fail(error);
        });
        std::printf("\nwrote %s: %zu keys in %.0f ms", fixture.label.c_str(), hive.keyCount(), writeMs);
        print(fixture, measure(fixture, root, emptyHive));
    }
    return 0;
}
