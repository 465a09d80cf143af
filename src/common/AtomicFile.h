#pragma once

#include "common/InputFile.h"

#include <cstddef>
#include <functional>
#include <string>

struct iovec;

// A file written without a name in the target's folder (O_TMPFILE) and put in
// place only when complete, so that a reader never sees half a file, a failed
// write leaves any old target untouched and a killed process leaves nothing
// behind. Put in place without replacing, the file gets the target's name
// straight away (linkat): it never has another one. Replacing needs a
// temporary name for the moment between naming and renaming; that name
// starts with the series' TemporaryNamePrefix (SeriesName.h), which tells
// the leftovers of a killed run apart from live files. Where the file system
// has no unnamed files, the file is written under such a temporary name from
// the start. Destroying an unpublished object removes the file. Not
// copyable; one thread.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // False when the temporary file could not be created.
    bool isOpen() const { return m_fd >= 0; }
    // The temporary file, for writers that also seek or reserve space.
    int fd() const { return m_fd; }
    bool write(const void *data, std::size_t size);
    // Gathers many buffers into few system calls.
    bool writeVector(const struct iovec *parts, std::size_t count);

    enum class Publish {
        Replace, // an existing target is replaced
        NoReplace, // fails (error() EEXIST) when the name exists, even as a dangling link, or appears meanwhile
    };
    // publish's result when the target is the file it was told to keep.
    static constexpr int kKeptFile = -1;

    // Ends the writing and puts the file in place; false (and nothing left
    // behind) on any failure. keep, when given, is a file never replaced: a
    // target that is that file (device and inode, read just before the
    // rename) fails the commit with error() kKeptFile.
    bool commit(Publish how = Publish::Replace, const FileIdentity *keep = nullptr);

    // The same in two steps, for a caller that picks another name when one
    // is taken: close() once, then publish() until it succeeds or the caller
    // gives up (the destructor then removes the file). close reports the
    // failures of the writing (a named file's delayed write errors); an
    // unnamed file stays open until it has its name. publish returns 0,
    // kKeptFile, or the errno of the failure (EEXIST: the name is taken,
    // with NoReplace).
    bool close();
    int publish(const std::string &target, Publish how, const FileIdentity *keep = nullptr);

    // errno of the first failure (creation, write, close or commit), or
    // kKeptFile; 0 if none.
    int error() const { return m_error; }
    // The temporary name; empty while the file has none.
    const std::string &tempName() const { return m_tempName; }

    // Test seam for failures a test cannot cause (a read-only file system):
    // when set, it is asked with the target as each file is created, and a
    // non-zero errno fails the creation with it. Set it only while no file
    // is being written; an empty function removes it.
    using Fault = std::function<int(const std::string &target)>;
    static void setFaultForTesting(Fault fault);

private:
    void discard();
    bool failed(int error);
    int linkUnnamed(const std::string &name);
    int publishUnnamed(const std::string &target);
    bool nameUnnamedFile();
    int publishNamed(const std::string &target, Publish how, const FileIdentity *keep);
    bool publishNoReplace(const std::string &target);

    std::string m_target;
    std::string m_tempName;
    int m_fd = -1;
    int m_error = 0;
    bool m_closed = false;
};
