// The system's files through C streams in binary mode, so the CR LF line ends
// are the program's own on every platform.
#include "core/file_system.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace brennic {
namespace {

namespace fs = std::filesystem;

int errorOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

class SystemFileSystem final : public FileSystem {
  public:
    FileFacts Inspect(const std::string& path) override {
        FileFacts facts;
        std::error_code ec;
        // Follow the links one by one, so that a link to nothing still names the
        // file it would make.
        fs::path at(path);
        for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
            const fs::path next = fs::read_symlink(at, ec);
            if (ec)
                break;
            at = next.is_absolute() ? next : at.parent_path() / next;
        }
        facts.target = at == fs::path(path) ? path : at.string();
        const fs::file_status status = fs::status(at, ec);
        if (ec || status.type() == fs::file_type::not_found)
            return facts;
        facts.kind = status.type() == fs::file_type::regular ? FileKind::Regular : FileKind::Other;
        facts.permissions = static_cast<unsigned>(status.permissions() & fs::perms::mask);
        return facts;
    }

    int Open(const std::string& path, OpenMode mode, std::FILE*& file) override {
        errno = 0;
        file = std::fopen(path.c_str(), mode == OpenMode::Append  ? "ab"
                                        : mode == OpenMode::Write ? "wb"
                                                                  : "rb");
        return file == nullptr ? errorOr(EIO) : 0;
    }

    int Write(std::FILE* file, std::string_view bytes) override {
        errno = 0;
        if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size())
            return 0;
        return errorOr(EIO);
    }

    int ReadAll(std::FILE* file, std::string& bytes) override {
        char buffer[8192];
        std::size_t got = 0;
        errno = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, got);
        return std::ferror(file) != 0 ? errorOr(EIO) : 0;
    }

    int Close(std::FILE* file) override {
        errno = 0;
        return std::fclose(file) != 0 ? errorOr(EIO) : 0;
    }

    int Delete(const std::string& path) override {
        errno = 0;
        return std::remove(path.c_str()) != 0 ? errorOr(EIO) : 0;
    }

    int Rename(const std::string& from, const std::string& to) override {
        std::error_code ec;
        fs::rename(from, to, ec);
        return ec ? ec.default_error_condition().value() : 0;
    }

    int SetPermissions(const std::string& path, unsigned permissions) override {
        std::error_code ec;
        fs::permissions(path, static_cast<fs::perms>(permissions), ec);
        return ec ? ec.default_error_condition().value() : 0;
    }
};

} // namespace

FileSystem& SystemFiles() {
    static SystemFileSystem files;
    return files;
}

InputNature NatureOfInput(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path), ec);
    switch (status.type()) {
    case fs::file_type::regular:
        return InputNature::File;
    case fs::file_type::directory:
        return InputNature::Folder;
    case fs::file_type::none:
    case fs::file_type::not_found:
        return InputNature::Missing;
    default:
        return ec ? InputNature::Missing : InputNature::Special;
    }
}

std::string InputNatureReason(InputNature nature) {
    switch (nature) {
    case InputNature::Missing:
        return "no such file";
    case InputNature::Folder:
        return "it is a folder";
    case InputNature::Special:
        return "it is a FIFO, device or socket, not a file, and is not read";
    case InputNature::File:
        break;
    }
    return "it is a file";
}

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

} // namespace brennic
