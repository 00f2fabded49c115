#pragma once
// Folders held open. An extraction creates, enters and fills folders relative
// to a folder it already holds, never by a path looked up again: a folder that
// is moved away or replaced by a link during the run does not redirect what is
// written. Names handed to a Folder are single components (no '/'). On
// Windows a held folder cannot be renamed, replaced or removed by anyone
// while it is held, so its path keeps leading to it.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Files.h"

namespace platform {

struct EntryStatus {
    EntryKind kind = EntryKind::Absent;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // seconds since 1970
    // The entry's own last change (any write; on Windows its last write),
    // seconds since 1970.
    std::int64_t changed = 0;
};

class Folder {
public:
    Folder() = default;
    ~Folder();
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // The folder at `path`, links in it followed (the user's own choice of
    // folder); holds nothing when it cannot be opened. `path` is UTF-8, with
    // '\\' or '/' on Windows.
    static Folder Open(const std::string& path);

    bool Held() const { return handle_ != -1; }

    // The subfolder `name`, made first (mode 0777 less the umask) when
    // missing and `create`; `created` tells whether it was made. A link, a
    // file or anything else at that name gives a Folder that holds nothing:
    // a link is never followed.
    Folder Enter(const std::string& name, bool create, bool* created = nullptr) const;

    // A path by which another component (the extraction library) reaches
    // `name` in exactly this folder for as long as it is held, wherever the
    // folder's own path leads meanwhile. `name` empty gives the folder itself,
    // ending in a delimiter. On Windows it is the held folder's own path,
    // which no one can change while the folders are held.
    std::string PathOf(const std::string& name) const;

    // What is at `name`, the link itself when it is one.
    EntryStatus Status(const std::string& name) const;

    // Renames `from` in this folder to `to` in `target`, replacing a file
    // there when `replace`; false when it fails (a folder at `to`, anything
    // at `to` when not `replace`, another file system).
    bool MoveTo(const std::string& from, const Folder& target, const std::string& to,
                bool replace = true) const;
    // Removes the file or link `name` (a missing one is no error).
    bool Remove(const std::string& name) const;
    // Removes the folder `name` when it is empty.
    bool RemoveEmptyFolder(const std::string& name) const;

    // Calls `visit` with the name of every entry of the folder.
    void ForEachName(const std::function<void(const std::string&)>& visit) const;

private:
    friend class WorkingFolder;
    void SetPrefix();

    std::intptr_t handle_ = -1;
    std::string path_;    // as opened, ending in a delimiter
    std::string prefix_;  // what PathOf puts before a name
};

// The process's working folder moved into a held folder for a while, so
// that another component (the extraction library) reaches a file in it by its
// bare name: one lookup in that folder, where a path from PathOf is a walk
// through the system's handle table first, on every call. A bare name
// reaches exactly the held folder, wherever its path leads meanwhile. The
// working folder is the whole process's: while a folder is entered, no path
// that may be relative is to be used, and Leave comes before anything that
// might.
// On Windows Enter always declines, and PathOf is used.
class WorkingFolder {
public:
    WorkingFolder();  // remembers the working folder of the moment
    ~WorkingFolder();  // and goes back there
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    // Makes `folder` the working folder; false when it cannot (nothing changed).
    bool Enter(const Folder& folder);
    // Back to the remembered working folder; false when that failed, and
    // relative paths no longer lead where they did.
    bool Leave();

private:
    std::intptr_t previous_ = -1;
    bool entered_ = false;
};

// Whether a process with this id runs and was started no later than
// `changed` (seconds since 1970): the possible owner of a file last changed
// then. A process started later only reuses the id of the one that wrote it.
bool ProcessMayOwn(long pid, std::int64_t changed);

}  // namespace platform
