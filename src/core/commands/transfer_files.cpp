#include "core/commands/transfer_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace commands {

namespace {

std::string reasonOf(int error)
{
    return error != 0 ? std::string(": ") + std::strerror(error) + "." : std::string(".");
}

// A name beside path that no file has, for the new content.
std::filesystem::path temporaryBeside(const std::filesystem::path& path)
{
    std::random_device random;
    for (;;) {
        std::filesystem::path candidate = path;
        candidate += ".pennant-" + std::to_string(random()) + ".tmp";
        std::error_code ignored;
        if (!std::filesystem::exists(candidate, ignored))
            return candidate;
    }
}

} // namespace

std::optional<std::string> readInput(const std::string& path, std::istream& in, std::string* problem)
{
    if (path == "-") {
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) {
            *problem = "Standard input could not be read.";
            return std::nullopt;
        }
        return bytes;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        *problem = path + " is a folder, not a .reg file.";
        return std::nullopt;
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *problem = "The file " + path + " could not be read" + reasonOf(errno);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        *problem = "The file " + path + " could not be read" + reasonOf(errno);
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> replaceFile(const std::string& path, const std::string& bytes,
                                       const std::optional<std::string>& keep)
{
    std::error_code error;
    if (keep && std::filesystem::equivalent(path, *keep, error))
        return "The file " + path + " is the hive being read; choose another file for the export.";
    const std::filesystem::path temporary = temporaryBeside(path);
    errno = 0;
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
    }
    if (!file) {
        const std::string reason = reasonOf(errno);
        std::filesystem::remove(temporary, error);
        return "The file " + path + " could not be written" + reason;
    }
    // The new file takes the place of the old one with its permissions.
    const auto old = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(old))
        std::filesystem::permissions(temporary, old.permissions(), error);
    std::filesystem::rename(temporary, path, error);
    if (error) {
        const std::string reason = error.message();
        std::filesystem::remove(temporary, error);
        return "The file " + path + " could not be replaced: " + reason + ".";
    }
    return std::nullopt;
}

} // namespace commands
