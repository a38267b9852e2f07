// A stand-in for the file system that does everything the real one does, except
// the operations it is told to fail: the Nth of a kind, with a chosen reason.
#pragma once

#include <map>
#include <string>

#include "file_system.h"

namespace brennic::test {

class FailingFiles : public FileSystem {
  public:
    enum class Op { Open, Write, ReadAll, Close, Delete, Rename, SetPermissions };

    // The `nth` operation of `op` from now on (counting from 1) fails with `error`.
    void failAt(Op op, int nth, int error) { m_failures[op] = {m_counts[op] + nth, error}; }
    int count(Op op) const { return m_counts.count(op) ? m_counts.at(op) : 0; }

    FileFacts Inspect(const std::string& path) override { return real().Inspect(path); }
    int Open(const std::string& path, OpenMode mode, std::FILE*& file) override {
        if (const int error = failing(Op::Open))
            return error;
        return real().Open(path, mode, file);
    }
    int Write(std::FILE* file, std::string_view bytes) override {
        if (const int error = failing(Op::Write))
            return error; // nothing of the bytes is written
        return real().Write(file, bytes);
    }
    int ReadAll(std::FILE* file, std::string& bytes) override {
        if (const int error = failing(Op::ReadAll))
            return error;
        return real().ReadAll(file, bytes);
    }
    int Close(std::FILE* file) override {
        const int error = failing(Op::Close);
        const int closed = real().Close(file); // closed either way, as fclose does
        return error != 0 ? error : closed;
    }
    int Delete(const std::string& path) override {
        if (const int error = failing(Op::Delete))
            return error;
        return real().Delete(path);
    }
    int Rename(const std::string& from, const std::string& to) override {
        if (const int error = failing(Op::Rename))
            return error;
        return real().Rename(from, to);
    }
    int SetPermissions(const std::string& path, unsigned permissions) override {
        if (const int error = failing(Op::SetPermissions))
            return error;
        return real().SetPermissions(path, permissions);
    }

  private:
    static FileSystem& real() { return SystemFiles(); }
    int failing(Op op) {
        const int n = ++m_counts[op];
        const auto found = m_failures.find(op);
        return found != m_failures.end() && found->second.first == n ? found->second.second : 0;
    }

    std::map<Op, int> m_counts;
    std::map<Op, std::pair<int, int>> m_failures; // op -> (count, error)
};

} // namespace brennic::test
