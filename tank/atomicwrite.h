#pragma once

// The one way either program puts a file on the disk: the tank file, the window's saves and the full tables.
// Plain POSIX, no Qt, so the command line shares it; failures are the errno of the call that failed.

#include <string>
#include <string_view>

#include "calc/expected.h"

namespace tarvol {

using AtomicOutcome = expected<void, int>;

// A file's new content, written while the old one stays in place, then put there in one step.
//
// A symbolic link is followed to its final target, which is what gets replaced; the link stays. A regular target is
// replaced by renaming a temporary file from its folder over it, flushed to the disk first, with the old file's
// permissions (and, where the system allows, its owner). A device, FIFO or socket is written into and never
// replaced, as a shell's redirection does; such a write cannot be taken back. A folder, or an existing file the
// user may not write, is refused.
class AtomicFile {
public:
    static expected<AtomicFile, int> open(const std::string& path);

    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile(); // an uncommitted content is dropped

    // Appends `bytes`; false once a write has failed, after which nothing more is written and commit fails.
    bool write(std::string_view bytes);
    // Puts the content in place; on any failure the old file is as it was and no temporary file is left.
    AtomicOutcome commit();
    // Drops the content; the target stays as it was.
    void cancel();

    // The errno of the write that failed, 0 while none has.
    int writeError() const { return m_error; }
    // The final target a symbolic link led to, or the path itself.
    const std::string& target() const { return m_target; }

private:
    AtomicFile(int fd, std::string target, std::string temporary);
    void release();

    int m_fd = -1;
    std::string m_target;
    std::string m_temporary; // empty when writing into a special file
    int m_error = 0;         // errno of the first failed write
};

// `bytes` as the whole content of `path`, in one step as above.
AtomicOutcome writeAtomically(const std::string& path, std::string_view bytes);

// The reason an errno gives, in the program's own Russian words, lower case without a full stop, whatever the
// system's locale: every message that passes a system failure on to the user takes its reason from here.
std::string systemReasonText(int error);

} // namespace tarvol
