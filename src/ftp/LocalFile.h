#pragma once
// Local file access for single-file transfers: one descriptor owned for the
// length of a transfer, 64-bit positions, and failures reported as
// CFileException with the path and the system's error text.

#include "net/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace varnix {

// A local file could not be opened, read or written.
// The message reads "Cannot open /x/y: Permission denied".
class CFileException : public CException {
public:
    CFileException(const std::string& action, std::string path, int error);
    std::string GetErrorMessage() const override { return message; }
    // False when waiting cannot change the outcome: the path is missing,
    // forbidden, of the wrong kind or too long, or its file system is
    // read-only. A full disk or an I/O error may pass.
    bool worthRetrying() const;

    int error;
    std::string path;
    std::string message;
};

// An open local file, closed by the destructor (errors ignored there; call
// close() to have them reported).
class LocalFile {
public:
    enum class Access {
        Read,  // an existing file, never modified
        Write, // created when missing; the content stays until truncate()
    };

    LocalFile(std::string path, Access access);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    const std::string& path() const { return path_; }
    std::uint64_t size() const;
    std::uint64_t position() const;
    void seek(std::uint64_t offset);
    void seekToEnd();
    void truncate();
    // Up to size bytes; 0 at the end of the file.
    std::size_t read(char* buffer, std::size_t size);
    void write(const char* data, std::size_t length);
    // Moves up to length bytes from the file's position into a pipe: the
    // count, 0 at the end of the file, or nothing when the file cannot be
    // read that way (nothing was moved then).
    std::optional<std::size_t> readIntoPipe(int pipeWriteEnd, std::size_t length);
    // Moves length bytes (no more than the pipe holds) from a pipe into the
    // file at its position. False when the file cannot take them that way;
    // nothing was moved then.
    bool writeFromPipe(int pipeReadEnd, std::size_t length);
    // Sets the last-write time (seconds since 1970); false when refused.
    bool setModifiedTime(std::int64_t seconds) noexcept;
    void close();

private:
    [[noreturn]] void fail(const char* action, int error) const;

    std::string path_;
    int fd_ = -1;
};

} // namespace varnix
