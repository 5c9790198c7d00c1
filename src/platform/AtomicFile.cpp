#include "platform/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {

namespace {

// A write beyond the file-size limit must fail with EFBIG and be reported, not end the program.
void IgnoreFileSizeSignal()
{
    static const bool done = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)done;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1);
}

}  // namespace

std::string ResolveLinks(const std::string& path)
{
    std::string p = path;
    // As the kernel does, give up after 40 links (a loop).
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        char target[PATH_MAX];
        const ssize_t n = readlink(p.c_str(), target, sizeof target - 1);
        if (n <= 0)
            return p;
        target[n] = '\0';
        p = target[0] == '/' ? std::string(target) : FolderOf(p) + target;
    }
    return p;
}

bool IsReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // The permission bits, not only access(): a file marked read-only stays so for root too.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error)
{
    IgnoreFileSizeSignal();
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        return false;
    };
    // Through a symbolic link the file it points to is replaced, and the link stays.
    const std::string target = ResolveLinks(path);
    std::string tmp = target + ".tmp-XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return fail("Cannot create a temporary file beside " + target);
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    mode_t mode = 0644;
    if (stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    fchmod(fd, mode);
    auto abandon = [&](const std::string& what) {
        const int e = errno;
        if (fd >= 0)
            close(fd);
        unlink(tmp.c_str());
        errno = e;
        return fail(what);
    };
    size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return abandon("Cannot write " + path);
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0)
        return abandon("Cannot write " + path);
    const int closed = close(fd);
    fd = -1;
    if (closed != 0)
        return abandon("Cannot write " + path);
    if (rename(tmp.c_str(), target.c_str()) != 0)
        return abandon("Cannot replace " + path);
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
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        if (error)
            *error = std::strerror(EISDIR);
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
