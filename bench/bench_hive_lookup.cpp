// Listing and looking up keys on a hive whose one key holds many sub keys,
// as the button list does on a crowded Extensions key.
//
//   bench_hive_lookup [sub keys, default 2000]
#include "core/hive_format/blank_hive.h"
#include "core/registry/hive/hive_registry.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace platform;

namespace {

const std::string kParent = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";

std::string childName(int i)
{
    char name[48];
    std::snprintf(name, sizeof name, "{%08X-0000-4000-8000-%012d}", 0x1F000000 + i * 7919, i);
    return name;
}

void report(const char* what, qint64 ns, int count)
{
    std::printf("%-36s %10.3f ms total %10.3f us each\n", what, ns / 1e6, ns / 1e3 / count);
}

bool check(LSTATUS status, const char* what)
{
    if (status != kSuccess)
        std::fprintf(stderr, "%s failed with %d\n", what, status);
    return status == kSuccess;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    QTemporaryDir dir;
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    std::string error;
    if (count <= 0 || !writeBlankHive(path, &error)) {
        std::fprintf(stderr, "%s\n", count <= 0 ? "The count must be a positive number." : error.c_str());
        return 2;
    }
    auto writer = HiveRegistry::open(path, &error);
    if (!writer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    const std::string text = "Button text";
    for (int i = 0; i < count; ++i) {
        HKEY key = 0;
        if (!check(writer->createKey(kLocalMachine, kParent + "\\" + childName(i), &key), "createKey") ||
            !check(writer->setValue(key, "ButtonText", kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                    static_cast<std::uint32_t>(text.size() + 1)),
                   "setValue"))
            return 1;
        writer->closeKey(key);
    }
    report("create key and value", timer.nsecsElapsed(), count);
    timer.restart();
    if (!check(writer->flush(), "flush"))
        return 1;
    report("flush", timer.nsecsElapsed(), 1);

    auto reader = HiveRegistry::open(path, &error);
    HKEY parent = 0;
    if (!reader || !check(reader->openKey(kLocalMachine, kParent, kKeyRead, &parent), "openKey"))
        return 1;
    for (const char* pass : {"enumerate names (first)", "enumerate names (again)"}) {
        timer.restart();
        char name[256];
        for (int i = 0; i < count; ++i) {
            std::uint32_t length = sizeof name;
            if (!check(reader->enumKey(parent, static_cast<std::uint32_t>(i), name, &length), "enumKey"))
                return 1;
        }
        report(pass, timer.nsecsElapsed(), count);
    }
    timer.restart();
    for (int i = 0; i < count; ++i) {
        HKEY key = 0;
        if (!check(reader->openKey(kLocalMachine, kParent + "\\" + childName(count - 1 - i), kKeyRead, &key),
                   "openKey"))
            return 1;
        char value[64];
        std::uint32_t size = sizeof value;
        if (!check(reader->queryValue(key, "ButtonText", nullptr, reinterpret_cast<std::uint8_t*>(value), &size),
                   "queryValue"))
            return 1;
        reader->closeKey(key);
    }
    report("open by name and read a value", timer.nsecsElapsed(), count);
    reader->closeKey(parent);
    return 0;
}
