#include "application/ActiveObjectRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {

namespace {

std::string FillPattern(const char* pattern, const std::string& name)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, name.c_str());
    return "/" + std::string(buffer);
}

sem_t* Semaphore(void* p) { return static_cast<sem_t*>(p); }

}  // namespace

// Holds the lock for one list operation. A lock that is not given within kLockTimeoutMs was left
// taken by a process that died inside an operation; the operation goes ahead and its release
// gives the lock back to the others.
class CActiveObjectRegistry::Lock {
public:
    explicit Lock(void* semaphore) : m_sem(Semaphore(semaphore))
    {
        timespec until{};
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_sec += kLockTimeoutMs / 1000;
        until.tv_nsec += (kLockTimeoutMs % 1000) * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000000000L;
        }
        int r;
        while ((r = sem_timedwait(m_sem, &until)) != 0 && errno == EINTR) {
        }
        m_taken = r == 0;
    }
    ~Lock()
    {
        int value = 0;
        // A lock taken over after a timeout is given back once, never raised above one.
        if (m_taken || (sem_getvalue(m_sem, &value) == 0 && value == 0))
            sem_post(m_sem);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    sem_t* m_sem;
    bool m_taken = false;
};

CActiveObjectRegistry::CActiveObjectRegistry(const std::string& className)
    : m_mutexName(FillPattern(kRegistryMutexPattern, className)),
      m_sharedName(FillPattern(kRegistrySharedPattern, className))
{
    sem_t* sem = sem_open(m_mutexName.c_str(), O_CREAT, 0600, 1);
    if (sem == SEM_FAILED)
        return;
    m_semaphore = sem;
    int fd = shm_open(m_sharedName.c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0)
        return;
    struct stat st{};
    // A block made just now is empty (zero-filled: the count is 0).
    if (fstat(fd, &st) != 0 || (st.st_size < static_cast<off_t>(kRegistryBytes) &&
                                ftruncate(fd, static_cast<off_t>(kRegistryBytes)) != 0)) {
        close(fd);
        return;
    }
    void* block = mmap(nullptr, kRegistryBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (block != MAP_FAILED)
        m_block = block;
}

CActiveObjectRegistry::~CActiveObjectRegistry()
{
    if (m_block)
        munmap(m_block, kRegistryBytes);
    if (m_semaphore)
        sem_close(Semaphore(m_semaphore));
}

void CActiveObjectRegistry::Unlink()
{
    sem_unlink(m_mutexName.c_str());
    shm_unlink(m_sharedName.c_str());
}

bool CActiveObjectRegistry::ProcessExists(std::uint32_t id)
{
    if (id == 0 || (kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH))
        return false;
    // A process that has ended but was not yet reaped by its parent is gone as well.
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%u/stat", static_cast<unsigned>(id));
    if (std::FILE* f = std::fopen(path, "r")) {
        char line[512] = {};
        const std::size_t n = std::fread(line, 1, sizeof line - 1, f);
        std::fclose(f);
        line[n] = '\0';
        // "pid (name) state ...": the state follows the last ')'.
        if (const char* close = std::strrchr(line, ')'); close && close[1] == ' ' && close[2] == 'Z')
            return false;
    }
    return true;
}

std::uint32_t* CActiveObjectRegistry::Count() const { return static_cast<std::uint32_t*>(m_block); }
std::uint32_t* CActiveObjectRegistry::Entries() const { return static_cast<std::uint32_t*>(m_block) + 1; }

void CActiveObjectRegistry::RemoveLocked(std::uint32_t id)
{
    std::uint32_t* entries = Entries();
    const std::uint32_t count = std::min<std::uint32_t>(*Count(), kRegistryCapacity);
    std::uint32_t* end = std::remove(entries, entries + count, id);
    *Count() = static_cast<std::uint32_t>(end - entries);
}

bool CActiveObjectRegistry::Push(std::uint32_t id)
{
    if (!IsOpen())
        return false;
    Lock lock(m_semaphore);
    RemoveLocked(id);
    std::uint32_t* entries = Entries();
    const std::uint32_t count = *Count();
    std::uint32_t* end = std::remove_if(entries, entries + count, [this](std::uint32_t other) { return !m_alive(other); });
    *Count() = static_cast<std::uint32_t>(end - entries);
    if (*Count() >= kRegistryCapacity)
        return false;
    entries[(*Count())++] = id;
    return true;
}

void CActiveObjectRegistry::Remove(std::uint32_t id)
{
    if (!IsOpen())
        return;
    Lock lock(m_semaphore);
    RemoveLocked(id);
}

bool CActiveObjectRegistry::IsTop(std::uint32_t id) const
{
    if (!IsOpen())
        return false;
    Lock lock(m_semaphore);
    const std::uint32_t count = std::min<std::uint32_t>(*Count(), kRegistryCapacity);
    return count > 0 && Entries()[count - 1] == id;
}

std::vector<std::uint32_t> CActiveObjectRegistry::Ids() const
{
    if (!IsOpen())
        return {};
    Lock lock(m_semaphore);
    const std::uint32_t count = std::min<std::uint32_t>(*Count(), kRegistryCapacity);
    return std::vector<std::uint32_t>(Entries(), Entries() + count);
}

}  // namespace kalidor
