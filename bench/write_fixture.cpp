// Writes a benchmark hive: write_fixture PATH (BUTTONS | software)
#include "fixture_hive.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_fixture PATH (BUTTONS | software)\n");
        return 2;
    }
    const std::string kind = argv[2];
    bench::FixtureHive hive = kind == "software" ? bench::softwareHive() : bench::buttonsHive(std::atoi(argv[2]));
    std::string error;
    if (!hive.save(argv[1], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu keys\n", argv[1], hive.keyCount());
    return 0;
}
