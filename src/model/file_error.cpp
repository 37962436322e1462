#include "model/file_error.h"

#include <cstring>

namespace marivel {

namespace fs = std::filesystem;

std::string FileErrorMessage(const char* what, const fs::path& path, int err) {
    return FileErrorMessage(what, path, err != 0 ? std::string_view(std::strerror(err)) : std::string_view());
}

std::string FileErrorMessage(const char* what, const fs::path& path, std::string_view reason) {
    std::string message = std::string(what) + " \"" + path.string() + "\"";
    if (!reason.empty()) message += ". " + std::string(reason);
    return message;
}

}  // namespace marivel
