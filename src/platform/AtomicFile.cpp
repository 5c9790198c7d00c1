#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error)
{
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        return false;
    };
    std::string tmp = path + ".tmp-XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return fail("Cannot create a temporary file beside " + path);
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    mode_t mode = 0644;
    if (stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    fchmod(fd, mode);
    size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            close(fd);
            unlink(tmp.c_str());
            errno = e;
            return fail("Cannot write " + path);
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        int e = errno;
        unlink(tmp.c_str());
        errno = e;
        return fail("Cannot write " + path);
    }
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        unlink(tmp.c_str());
        errno = e;
        return fail("Cannot replace " + path);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents, size_t maxBytes,
                   std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    contents.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (contents.size() + n > maxBytes) {
            std::fclose(f);
            if (error)
                *error = "file too large";
            return false;
        }
        contents.append(buf, n);
    }
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok && error)
        *error = "read error";
    return ok;
}

}  // namespace kalidor
