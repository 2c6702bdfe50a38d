// The only race tests of registration: two capture stations registering the same record leave
// exactly one row, the other call reporting the duplicate or failing; never a second row.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <barrier>
#include <thread>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;

int32_t countRows(const Environment& env, const std::string& table) {
  return env.openDatabase()->query("SELECT * FROM " + table)->recordCount();
}

// Another station stores the record between this call's duplicate test and its INSERT: the
// unique index refuses the second row and the refusal is reported as the duplicate.
TEST(ConcurrentStations, ARowStoredMeanwhileIsTheDuplicate) {
  Environment env;
  auto cv = clsCatValida::create();
  ConnectionRef other = env.openDatabase();
  auto conn = std::make_shared<test::InterposedConnection>(
      cv->getConexion(), "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA",
      [&] { other->execute(test::goldenStatements("agricola").back()); });  // its INSERT
  Error e = testing::errorOf([&] { insertAgricola(*cv, test::sampleAgricola(), conn); });
  EXPECT_TRUE(conn->fired());
  EXPECT_EQ(e.description(), test::kDuplicado);
  EXPECT_EQ(countRows(env, "SUBMAGRICOLA"), 1);
  // The refused INSERT is logged where it failed; then the duplicate, as always.
  std::vector<std::string> labels;
  for (const auto& log : env.logEntries()) labels.push_back(log.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"KORVANDA.clsCatValida.Insertar",
                                              "KORVANDA.clsCatValida.InsertAgricola"}));
}

// Two threads, each with its own object, slot and connection, register the same livestock
// records at the same moments. (The reliability load test races agricultural subscriptions.)
TEST(ConcurrentStations, TheSameRecordIsStoredOnce) {
  constexpr int kRecords = 40;
  Environment env;
  std::vector<int> stored(kRecords, 0);
  std::atomic<int> failed = 0;
  std::barrier start(2);
  auto station = [&] {
    auto cv = clsCatValida::create();  // this thread's slot
    for (int i = 0; i < kRecords; ++i) {
      RegistroGanadero a = test::sampleGanadero();
      a.strPoliza = "R-" + std::to_string(i);
      start.arrive_and_wait();
      try {
        if (insertGanadero(*cv, a, "Archivo")) std::atomic_ref<int>(stored[i]).fetch_add(1);
      } catch (const Error&) {
        failed.fetch_add(1);
      }
    }
  };
  std::thread t1(station), t2(station);
  t1.join();
  t2.join();
  EXPECT_EQ(countRows(env, "SUBMGANADERO"), kRecords);
  for (int i = 0; i < kRecords; ++i) EXPECT_EQ(stored[i], 1) << i;
  // The other call of each pair reported the duplicate, or failed.
  EXPECT_EQ(env.duplicateLines().size() + failed.load(), static_cast<size_t>(kRecords));
}

// Processes, each a station of its own, registering distinct livestock records at the same
// moments (a barrier they share): the row key is the maximum plus one, and no station may take
// one another has taken.
TEST(ConcurrentStations, DistinctLivestockRecordsFromEightProcessesAreAllStored) {
  Environment env;
  constexpr int kProcesses = 8, kRecords = 50;
  auto* barrier = static_cast<pthread_barrier_t*>(::mmap(nullptr, sizeof(pthread_barrier_t),
                                                         PROT_READ | PROT_WRITE,
                                                         MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(barrier, MAP_FAILED);
  pthread_barrierattr_t attr;
  pthread_barrierattr_init(&attr);
  pthread_barrierattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  ASSERT_EQ(pthread_barrier_init(barrier, &attr, kProcesses), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failed = 0;
      auto cv = clsCatValida::create();
      for (int i = 0; i < kRecords; ++i) {
        RegistroGanadero a = test::sampleGanadero();
        a.strPoliza = "P" + std::to_string(p) + "-" + std::to_string(i);
        pthread_barrier_wait(barrier);
        try {
          if (!insertGanadero(*cv, a, "Archivo")) ++failed;
        } catch (...) {
          ++failed;
        }
      }
      ::_exit(std::min(failed, 100));
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "process " << pid << ": " << status;
  }
  ::munmap(barrier, sizeof(pthread_barrier_t));
  EXPECT_EQ(countRows(env, "SUBMGANADERO"), kProcesses * kRecords);
  EXPECT_TRUE(env.duplicateLines().empty());
}

}  // namespace
}  // namespace korvanda
