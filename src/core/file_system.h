// The file operations behind Result.txt and its saved copies, as one small
// interface: the program uses the system's, and tests put a stand-in in its
// place that fails any chosen operation with any chosen reason.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace brennic {

// What stands at a path, after following symbolic links.
enum class FileKind {
    Missing, // nothing (or a path that cannot be looked at; making it tells why)
    Regular, // an ordinary file
    Other,   // a directory, device, FIFO or socket: never replaced
};

struct FileFacts {
    FileKind kind = FileKind::Missing;
    unsigned permissions = 0; // the permission bits of a regular file
    std::string target;       // the path with every symbolic link followed
};

// Each operation returns 0 or the system's error number.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual FileFacts Inspect(const std::string& path) = 0;
    // Opens for appending (creating an empty file if there is none), for
    // writing from empty, or for reading; binary in every case.
    enum class OpenMode { Append, Write, Read };
    virtual int Open(const std::string& path, OpenMode mode, std::FILE*& file) = 0;
    virtual int Write(std::FILE* file, std::string_view bytes) = 0;
    // Appends the whole rest of the file to `bytes`.
    virtual int ReadAll(std::FILE* file, std::string& bytes) = 0;
    // Closes the file in every case; an error means buffered bytes were lost.
    virtual int Close(std::FILE* file) = 0;
    virtual int Delete(const std::string& path) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int SetPermissions(const std::string& path, unsigned permissions) = 0;
};

// The operating system's files. It holds no state.
FileSystem& SystemFiles();

// What an input path names, for the readers that refuse what is no file before
// opening it: a FIFO's reader would wait for a writer forever.
enum class InputNature {
    Missing, // nothing there, or nothing the system can look at
    File,    // an ordinary file, or a link to one
    Folder,
    Special, // a FIFO, device or socket
};

InputNature NatureOfInput(const std::string& path);

// Why an input of that nature is not read, after "cannot read PATH: ".
std::string InputNatureReason(InputNature nature);

// The system's words for an error number, the same on every platform's locale.
std::string SystemReason(int error);

} // namespace brennic
