// Pennant as people meet it: each command a fresh process, timed from start
// to exit (the window: to "shown") beside the tools one would use instead
// (reglookup, hivexsh, hivexregedit) and raw libhivex, runs interleaved,
// medians of wall time and peak resident memory. Prints one Markdown table.
//
//   bench_processes [--quick]    (--quick: fewer runs, no SOFTWARE-like hive)
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "bench_processes: %s\n", what.c_str());
    std::exit(1);
}

// One program run (standard input empty): its arguments, and for a program
// that keeps running (the window) the output that ends the timing.
struct Run {
    Run(std::vector<std::string> arguments, std::string output = {})
        : argv(std::move(arguments)), until(std::move(output))
    {
    }
    std::vector<std::string> argv;
    std::string until;
};

struct Sample {
    double ms = 0;
    double mb = 0; // peak resident memory
};

void startChild(const Run& run, int outputPipe)
{
    const int input = ::open("/dev/null", O_RDONLY);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (input < 0 || nowhere < 0)
        _exit(127);
    ::dup2(input, 0);
    ::dup2(outputPipe >= 0 ? outputPipe : nowhere, 1);
    ::dup2(nowhere, 2);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<char*> argv;
    for (const std::string& arg : run.argv)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    _exit(127);
}

Sample runOnce(const Run& run)
{
    int pipeFds[2] = {-1, -1};
    if (!run.until.empty() && ::pipe(pipeFds) != 0)
        fail("cannot make a pipe");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("cannot start " + run.argv[0]);
    if (pid == 0) {
        if (pipeFds[0] >= 0)
            ::close(pipeFds[0]);
        startChild(run, pipeFds[1]);
    }
    auto end = start;
    bool seen = run.until.empty();
    if (!run.until.empty()) {
        ::close(pipeFds[1]);
        std::string output;
        char buffer[4096];
        ssize_t got = 0;
        while (!seen && (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
            output.append(buffer, static_cast<std::size_t>(got));
            seen = output.find(run.until) != std::string::npos;
        }
        end = std::chrono::steady_clock::now();
        ::kill(pid, SIGKILL);
        ::close(pipeFds[0]);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (run.until.empty()) {
        end = std::chrono::steady_clock::now();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail(run.argv[0] + " " + run.argv.back() + " failed");
    } else if (!seen) {
        fail(run.argv[0] + " never said \"" + run.until + "\"");
    }
    return {std::chrono::duration<double, std::milli>(end - start).count(), static_cast<double>(usage.ru_maxrss) / 1024};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// One line of the table: Pennant's command and the alternatives, each run
// after prepare() (which puts a fresh copy of the hive in place for a
// command that changes it).
struct Contender {
    std::string name;
    Run run;
    std::vector<Sample> samples;
};
struct Work {
    std::string what;
    std::function<void()> prepare;
    std::vector<Contender> contenders; // Pennant first
};

void copyHive(const std::string& from, const std::string& to)
{
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    const std::string folder = fs::path(to).parent_path();
    const std::string name = fs::path(to).filename();
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("." + name + ".pennant-save-", 0) == 0)
            fs::remove(entry.path());
}

std::string figure(const Contender& contender)
{
    std::vector<double> ms;
    std::vector<double> mb;
    for (const Sample& sample : contender.samples) {
        ms.push_back(sample.ms);
        mb.push_back(sample.mb);
    }
    char text[96];
    std::snprintf(text, sizeof text, "%.0f ms, %.1f MB", median(ms), median(mb));
    return text;
}

double medianMs(const Contender& contender)
{
    std::vector<double> ms;
    for (const Sample& sample : contender.samples)
        ms.push_back(sample.ms);
    return median(ms);
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// One button as hivexregedit --merge takes it (UTF-8 .reg text).
std::string oneButtonReg()
{
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions\\"
           "{11111111-2222-4333-8444-555555555555}]\n"
           "\"ButtonText\"=\"Notes\"\n\"Exec\"=\"C:\\\\Windows\\\\notepad.exe\"\n"
           "\"Icon\"=\"C:\\\\Icons\\\\notes.ico\"\n\"HotIcon\"=\"C:\\\\Icons\\\\notes.ico\"\n"
           "\"MenuStatusBar\"=\"Notes\"\n\"MenuText\"=\"Notes\"\n"
           "\"ClSID\"=\"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}\"\n\"Default Visible\"=\"Yes\"\n";
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int reps = quick ? 3 : 9;
    const fs::path work = fs::temp_directory_path() / ("pennant-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const auto at = [&work](const char* name) { return (work / name).string(); };
    // Written by another process: a child's peak memory counts from the
    // peak of the process it was forked from.
    const std::string none = at("none");
    const std::string buttons = at("buttons");
    const std::string software = at("software");
    runOnce({{WRITE_FIXTURE_PROGRAM, none, "0"}});
    runOnce({{WRITE_FIXTURE_PROGRAM, buttons, "10000"}});
    if (!quick)
        runOnce({{WRITE_FIXTURE_PROGRAM, software, "software"}});
    const std::string pennant = PENNANT_PROGRAM;
    const std::string hive = at("hive");
    const std::string peerHive = at("peer-hive");
    writeText(at("one.reg"), oneButtonReg());
    writeText(at("ls.hivexsh"), "cd \\Microsoft\\Internet Explorer\\Extensions\nls\n");
    if (std::system((pennant + " --hive " + buttons + " export -o " + at("buttons.reg")).c_str()) != 0)
        fail("cannot export the buttons");
    const std::vector<std::string> add = {"add", "--text", "Notes", "--exec", "C:\\Windows\\notepad.exe",
                                          "--icon", "C:\\Icons\\notes.ico"};
    const auto withArgs = [](std::vector<std::string> head, const std::vector<std::string>& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const auto merge = [&](const std::string& target) {
        return Run({"hivexregedit", "--merge", "--prefix", "HKEY_LOCAL_MACHINE\\SOFTWARE", target, at("one.reg")});
    };
    const std::string extensions = "/Microsoft/Internet Explorer/Extensions";

    std::vector<Work> table;
    const auto fresh = [&](const std::string& from) {
        return [&, from] {
            copyHive(from, hive);
            copyHive(from, peerHive);
            ::sync();
        };
    };
    const auto nothing = [] {};
    if (!quick) {
        table.push_back({"list the buttons, 73 MB SOFTWARE-like hive", nothing,
                         {{"`pennant list`", {{pennant, "--hive", software, "list"}}, {}},
                          {"`reglookup -p` Extensions", {{"reglookup", "-p", extensions, software}}, {}},
                          {"`hivexsh` cd + ls", {{"hivexsh", "-f", at("ls.hivexsh"), software}}, {}}}});
        table.push_back({"add one button, 73 MB SOFTWARE-like hive", fresh(software),
                         {{"`pennant add`", {withArgs({pennant, "--hive", hive}, add)}, {}},
                          {"`hivexregedit --merge` one button", merge(peerHive), {}}}});
    }
    table.push_back({"list 10,000 buttons", nothing,
                     {{"`pennant list`", {{pennant, "--hive", buttons, "list"}}, {}},
                      {"raw libhivex, same output", {{RAW_LIST_PROGRAM, buttons}}, {}}}});
    table.push_back({"add one button beside 10,000", fresh(buttons),
                     {{"`pennant add`", {withArgs({pennant, "--hive", hive}, add)}, {}},
                      {"`hivexregedit --merge` one button", merge(peerHive), {}}}});
    table.push_back({"window shown, 10,000 buttons", nothing,
                     {{"`pennant`", {{pennant, "--hive", buttons}, "Pennant is editing"}, {}},
                      {"`pennant`, no buttons", {{pennant, "--hive", none}, "Pennant is editing"}, {}}}});
    table.push_back({"import 10,000 buttons into a fresh hive", fresh(none),
                     {{"`pennant import`", {{pennant, "--hive", hive, "import", at("buttons.reg")}}, {}}}});

    for (int rep = 0; rep < reps; ++rep)
        for (Work& row : table)
            for (Contender& contender : row.contenders) {
                row.prepare();
                contender.samples.push_back(runOnce(contender.run));
            }

    std::printf("| work | Pennant | the alternative | ratio |\n|---|---|---|---|\n");
    for (const Work& row : table) {
        const Contender& ours = row.contenders.front();
        if (row.contenders.size() == 1)
            std::printf("| %s | %s: %s | | |\n", row.what.c_str(), ours.name.c_str(), figure(ours).c_str());
        for (std::size_t i = 1; i < row.contenders.size(); ++i) {
            const Contender& peer = row.contenders[i];
            std::printf("| %s | %s: %s | %s: %s | %.2f× |\n", row.what.c_str(), ours.name.c_str(), figure(ours).c_str(),
                        peer.name.c_str(), figure(peer).c_str(), medianMs(ours) / medianMs(peer));
        }
    }
    // The import is the last work of the last round: its hive is still in
    // place, beside the same buttons laid out compactly.
    std::printf("| hive after importing 10,000 buttons | %.1f MB | compact: %.1f MB | %.2f× |\n",
                static_cast<double>(fs::file_size(hive)) / 1e6, static_cast<double>(fs::file_size(buttons)) / 1e6,
                static_cast<double>(fs::file_size(hive)) / static_cast<double>(fs::file_size(buttons)));
    fs::remove_all(work);
    return 0;
}
