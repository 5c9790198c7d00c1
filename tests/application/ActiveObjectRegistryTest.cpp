#include "application/ActiveObjectRegistry.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <memory>
#include <semaphore.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace kalidor;

namespace {

// A list of its own for each test, so that running instances and other tests are not touched.
class RegistryTest : public ::testing::Test {
protected:
    // Named once, in the test's process (a child forked from it opens the same list).
    const std::string& Name() const { return m_name; }
    void SetUp() override
    {
        m_name = "KalidorTestRegistry_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_reg = std::make_unique<CActiveObjectRegistry>(Name());
        ASSERT_TRUE(m_reg->IsOpen());
        m_reg->SetAliveCheck([](std::uint32_t) { return true; });
    }
    void TearDown() override { m_reg->Unlink(); }
    std::string m_name;
    std::unique_ptr<CActiveObjectRegistry> m_reg;
};

}  // namespace

TEST_F(RegistryTest, NamesFollowTheDocumentClass)
{
    CActiveObjectRegistry reg;
    EXPECT_EQ(reg.MutexName(), "/CSchDoc_Mtx");
    EXPECT_EQ(reg.SharedName(), "/CSchDoc_Scn");
    EXPECT_EQ(kRegistryBytes, 4004u);
}

TEST_F(RegistryTest, PushMovesAnIdToTheTopAndRemoveTakesItOut)
{
    EXPECT_FALSE(m_reg->IsTop(11));
    EXPECT_TRUE(m_reg->Push(11));
    EXPECT_TRUE(m_reg->Push(22));
    EXPECT_TRUE(m_reg->Push(33));
    EXPECT_TRUE(m_reg->IsTop(33));
    // Pushed again, 11 leaves its place and the later entries move down.
    EXPECT_TRUE(m_reg->Push(11));
    EXPECT_EQ(m_reg->Ids(), (std::vector<std::uint32_t>{22, 33, 11}));
    EXPECT_TRUE(m_reg->IsTop(11));
    EXPECT_FALSE(m_reg->IsTop(33));
    m_reg->Remove(11);
    EXPECT_TRUE(m_reg->IsTop(33));
    m_reg->Remove(22);
    m_reg->Remove(99);  // not there: nothing happens
    EXPECT_EQ(m_reg->Ids(), (std::vector<std::uint32_t>{33}));
    m_reg->Remove(33);
    EXPECT_TRUE(m_reg->Ids().empty());
    EXPECT_FALSE(m_reg->IsTop(33));
}

TEST_F(RegistryTest, TheThousandAndFirstInstanceIsRefused)
{
    for (std::uint32_t id = 1; id <= kRegistryCapacity; ++id)
        ASSERT_TRUE(m_reg->Push(id)) << id;
    EXPECT_FALSE(m_reg->Push(5000));
    EXPECT_FALSE(m_reg->IsTop(5000));
    EXPECT_EQ(m_reg->Ids().size(), std::size_t(kRegistryCapacity));
    EXPECT_TRUE(m_reg->IsTop(kRegistryCapacity));
    // One that is in the list already moves to the top even when the list is full.
    EXPECT_TRUE(m_reg->Push(1));
    EXPECT_TRUE(m_reg->IsTop(1));
    // Room made, the newcomer gets in.
    m_reg->Remove(500);
    EXPECT_TRUE(m_reg->Push(5000));
    EXPECT_TRUE(m_reg->IsTop(5000));
}

TEST_F(RegistryTest, ListIsSharedBetweenOpenersOfTheSameName)
{
    CActiveObjectRegistry other(Name());
    other.SetAliveCheck([](std::uint32_t) { return true; });
    ASSERT_TRUE(other.IsOpen());
    EXPECT_TRUE(m_reg->Push(7));
    EXPECT_TRUE(other.IsTop(7));
    EXPECT_TRUE(other.Push(8));
    EXPECT_FALSE(m_reg->IsTop(7));
    EXPECT_TRUE(m_reg->IsTop(8));
    // A child process sees the same list and its change is seen here.
    pid_t child = fork();
    if (child == 0) {
        CActiveObjectRegistry inChild(Name());
        inChild.SetAliveCheck([](std::uint32_t) { return true; });
        _exit(inChild.IsTop(8) && inChild.Push(9) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(m_reg->IsTop(9));
}

TEST_F(RegistryTest, IdsOfProcessesThatAreGoneAreDroppedOnPush)
{
    m_reg->SetAliveCheck(&CActiveObjectRegistry::ProcessExists);
    // A process that pushed its id and then died without removing it.
    pid_t child = fork();
    if (child == 0) {
        CActiveObjectRegistry inChild(Name());
        _exit(inChild.Push(static_cast<std::uint32_t>(getpid())) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(m_reg->IsTop(static_cast<std::uint32_t>(child)));
    const auto self = static_cast<std::uint32_t>(getpid());
    EXPECT_TRUE(m_reg->Push(self));
    EXPECT_EQ(m_reg->Ids(), (std::vector<std::uint32_t>{self}));
    EXPECT_TRUE(CActiveObjectRegistry::ProcessExists(self));
    EXPECT_FALSE(CActiveObjectRegistry::ProcessExists(static_cast<std::uint32_t>(child)));
}

TEST_F(RegistryTest, ALockLeftTakenByADeadProcessIsTakenOver)
{
    // A process that died while holding the lock.
    pid_t child = fork();
    if (child == 0) {
        sem_t* sem = sem_open(m_reg->MutexName().c_str(), 0);
        _exit(sem != SEM_FAILED && sem_wait(sem) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(m_reg->Push(42));
    EXPECT_TRUE(m_reg->IsTop(42));
    // The lock works again afterwards: one operation after another goes through at once.
    EXPECT_TRUE(m_reg->Push(43));
    EXPECT_EQ(m_reg->Ids(), (std::vector<std::uint32_t>{42, 43}));
}

TEST(RegistryProcesses, AProcessThatEndedIsGoneBeforeItIsReaped)
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    // Ended, not yet reaped: a zombie.
    for (int i = 0; i < 200; ++i) {
        if (!CActiveObjectRegistry::ProcessExists(static_cast<std::uint32_t>(child)))
            break;
        usleep(10000);
    }
    EXPECT_FALSE(CActiveObjectRegistry::ProcessExists(static_cast<std::uint32_t>(child)));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(CActiveObjectRegistry::ProcessExists(0));
    EXPECT_TRUE(CActiveObjectRegistry::ProcessExists(1));
}
