// Whole-file replacement by rename: see replacefile.h.
#include "files/replacefile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

Problem notWritten(const std::string& path, const std::string& why)
{
    return {ProblemKind::NotWritten, path, why};
}

} // namespace

std::optional<Problem> replaceFile(const std::string& path, const std::string& text)
{
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error)
        return notWritten(path, error.message());
    const std::string temporary = path + ".new" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return notWritten(path, std::strerror(errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size()
                         && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        const std::string why = std::strerror(written ? errno : writeError);
        std::remove(temporary.c_str());
        return notWritten(path, why);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(temporary.c_str());
        return notWritten(path, why);
    }
    return std::nullopt;
}
