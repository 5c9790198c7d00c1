// The machine-wide list that tells running Kalidor instances which of them had a schematic
// activated last: a named semaphore (the lock) and a block of named shared memory holding a 32-bit
// count followed by up to 1000 32-bit ids, the id of an instance being its process id. The last
// entry is the instance on top; that one owns the automation name, the others give it up.
//
// Every list operation holds the lock. A process that died without removing its id must not
// block the list: Push drops the ids of processes that no longer exist, and a lock that stays
// taken for longer than kLockTimeoutMs (its holder died inside an operation) is taken over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kalidor {

inline constexpr int kRegistryCapacity = 1000;
// The block: the count, then the ids.
inline constexpr std::size_t kRegistryBytes = 4 + 4 * kRegistryCapacity;
// The name patterns, filled with the document class name.
inline constexpr const char* kRegistryMutexPattern = "%s_Mtx";
inline constexpr const char* kRegistrySharedPattern = "%s_Scn";
// The document class whose activation the list follows.
inline constexpr const char* kRegistryClassName = "CSchDoc";
inline constexpr int kLockTimeoutMs = 2000;

class CActiveObjectRegistry {
public:
    // Whether a process id names a running process (tests replace it).
    using AliveCheck = std::function<bool(std::uint32_t id)>;

    // Opens (or creates) the lock and the block named after `className`; IsOpen() tells whether
    // that worked.
    explicit CActiveObjectRegistry(const std::string& className = kRegistryClassName);
    ~CActiveObjectRegistry();
    CActiveObjectRegistry(const CActiveObjectRegistry&) = delete;
    CActiveObjectRegistry& operator=(const CActiveObjectRegistry&) = delete;

    bool IsOpen() const { return m_block != nullptr; }
    // The POSIX names of the lock and the block ("/CSchDoc_Mtx", "/CSchDoc_Scn").
    const std::string& MutexName() const { return m_mutexName; }
    const std::string& SharedName() const { return m_sharedName; }

    // Takes `id` out of the list if it is there (the later entries move down) and appends it when
    // there is room: false when the list is full (or not open). Ids of processes that are gone
    // are dropped first.
    bool Push(std::uint32_t id);
    // Takes `id` out of the list if it is there.
    void Remove(std::uint32_t id);
    // True when the list is not empty and its last entry is `id`.
    bool IsTop(std::uint32_t id) const;
    // The list, first entry first.
    std::vector<std::uint32_t> Ids() const;

    void SetAliveCheck(AliveCheck check) { m_alive = std::move(check); }
    // Removes the names from the system (the block and lock go once no process has them open).
    void Unlink();

    static bool ProcessExists(std::uint32_t id);

private:
    class Lock;
    std::uint32_t* Count() const;
    std::uint32_t* Entries() const;
    void RemoveLocked(std::uint32_t id);

    std::string m_mutexName;
    std::string m_sharedName;
    void* m_semaphore = nullptr;  // sem_t*
    void* m_block = nullptr;
    AliveCheck m_alive = &CActiveObjectRegistry::ProcessExists;
};

}  // namespace kalidor
