// A stand-in for the file system that does everything the real one does, except
// the operations it is told to fail: the Nth of a kind, with a chosen reason.
#pragma once

#include <map>
#include <string>

#include "core/file_system.h"

namespace brennic::test {

class FailingFiles : public FileSystem {
  public:
    enum class Op { Open, Write, ReadAll, Close, Delete, Rename, SetPermissions };

    // The `nth` operation of `op` from now on (counting from 1) fails with `error`.
    void failAt(Op op, int nth, int error) { m_failures[op] = {m_counts[op] + nth, error}; }

    FileFacts Inspect(const std::string& path) override { return real().Inspect(path); }
    int Open(const std::string& path, OpenMode mode, std::FILE*& file) override {
        return unlessFailing(Op::Open, [&] { return real().Open(path, mode, file); });
    }
    // A failed write writes none of the bytes.
    int Write(std::FILE* file, std::string_view bytes) override {
        return unlessFailing(Op::Write, [&] { return real().Write(file, bytes); });
    }
    int ReadAll(std::FILE* file, std::string& bytes) override {
        return unlessFailing(Op::ReadAll, [&] { return real().ReadAll(file, bytes); });
    }
    int Close(std::FILE* file) override {
        const int error = failing(Op::Close);
        const int closed = real().Close(file); // closed either way, as fclose does
        return error != 0 ? error : closed;
    }
    int Delete(const std::string& path) override {
        return unlessFailing(Op::Delete, [&] { return real().Delete(path); });
    }
    int Rename(const std::string& from, const std::string& to) override {
        return unlessFailing(Op::Rename, [&] { return real().Rename(from, to); });
    }
    int SetPermissions(const std::string& path, unsigned permissions) override {
        return unlessFailing(Op::SetPermissions,
                             [&] { return real().SetPermissions(path, permissions); });
    }

  private:
    static FileSystem& real() { return SystemFiles(); }
    int failing(Op op) {
        const auto found = m_failures.find(op);
        const int n = ++m_counts[op];
        return found != m_failures.end() && found->second.first == n ? found->second.second : 0;
    }
    template <typename Operation> int unlessFailing(Op op, Operation operation) {
        const int error = failing(op);
        return error != 0 ? error : operation();
    }

    std::map<Op, int> m_counts;
    std::map<Op, std::pair<int, int>> m_failures; // op -> (count, error)
};

} // namespace brennic::test
