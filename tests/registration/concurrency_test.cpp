// The only race tests of registration: two capture stations registering the same record leave
// exactly one row, the other call reporting the duplicate or failing; never a second row.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <barrier>
#include <cstdio>
#include <functional>
#include <thread>

#include <sqlite3.h>

#include "sqlite/functions.h"
#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"
#include "support/odbc.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

int32_t countRows(const Environment& env, const std::string& table) {
  return env.openDatabase()->query("SELECT * FROM " + table)->recordCount();
}

// ---- another station between this call's duplicate test and its INSERT

class StoredMeanwhileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cv = clsCatValida::create();
    other = env.openDatabase();
  }
  // The caller's connection, on which the other station's INSERT lands first.
  std::shared_ptr<test::InterposedConnection> racing(const std::string& trigger,
                                                     const std::string& theirs) {
    return std::make_shared<test::InterposedConnection>(cv->getConexion(), trigger,
                                                        [this, theirs] { other->execute(theirs); });
  }

  Environment env;
  std::shared_ptr<clsCatValida> cv;
  ConnectionRef other;
};

TEST_F(StoredMeanwhileTest, SubscriptionRefusedByTheUniqueIndexIsReportedAsTheDuplicate) {
  const RegistroAgricola a = test::sampleAgricola();
  auto conn = racing("SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA", test::kSampleAgricolaInsert);
  EXPECT_FALSE(insertAgricola(*cv, a, conn, "Archivo"));
  EXPECT_TRUE(conn->fired());
  EXPECT_EQ(countRows(env, "SUBMAGRICOLA"), 1);
  ASSERT_EQ(env.duplicateLines().size(), 1u);
  EXPECT_TRUE(env.duplicateLines()[0].ends_with("|0|El registro de constancia=AG-0001 esta duplicado"));

  // With "Window", the same error the duplicate test raises.
  env.clearLogs();
  other->execute("DELETE FROM SUBMAGRICOLA");
  conn = racing("SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA", test::kSampleAgricolaInsert);
  Error e = errorOf([&] { insertAgricola(*cv, a, conn); });
  EXPECT_EQ(e.number(), -2147220503);
  EXPECT_EQ(e.source(), ".insertAgricola");
  EXPECT_EQ(e.description(), test::kDuplicado);
  EXPECT_EQ(countRows(env, "SUBMAGRICOLA"), 1);
  // The refused INSERT is logged where it failed; then the duplicate, as always.
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_EQ(logs[1].label, "KORVANDA.clsCatValida.InsertAgricola");
  EXPECT_EQ(logs[1].number, -2147220503);
}

TEST_F(StoredMeanwhileTest, ClaimRefusedByTheUniqueIndexIsReportedAsTheDuplicate) {
  auto conn = racing("SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLAFC", test::kSampleAgricolaFcInsert);
  EXPECT_FALSE(insertAgricolaFc(*cv, test::sampleAgricolaFc(), conn, "Archivo"));
  EXPECT_TRUE(conn->fired());
  EXPECT_EQ(countRows(env, "SUBMAGRICOLAFC"), 1);
  EXPECT_EQ(env.duplicateLines().size(), 1u);
}

TEST_F(StoredMeanwhileTest, AnotherRefusalOfTheDatabaseIsNotADuplicate) {
  // A refusal that names no unique key reaches the caller as it came.
  auto conn = racing("SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA", "SELECT 1");
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(env.databasePath().c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite::registerTsqlFunctions(raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw,
                         "CREATE TRIGGER refuse BEFORE INSERT ON SUBMAGRICOLA BEGIN "
                         "SELECT RAISE(ABORT, 'refused by a rule of the database'); END",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  Error e = errorOf([&] { insertAgricola(*cv, test::sampleAgricola(), conn, "Archivo"); });
  // Embedded, the provider's integrity-violation number; over ODBC, the driver's native number.
  if (testing::odbc::engineFromEnvironment() == testing::odbc::Engine::Embedded)
    EXPECT_EQ(e.number(), -2147217873);
  else
    EXPECT_NE(e.description().find("SQLSTATE"), std::string::npos);
  EXPECT_NE(e.description().find("refused by a rule"), std::string::npos);
  EXPECT_TRUE(env.duplicateLines().empty());
  EXPECT_EQ(countRows(env, "SUBMAGRICOLA"), 0);
}

// ---- two threads, each with its own object, slot and connection, at the same moment

template <class Call>
void raceOnThreads(int records, Call call, std::vector<int>& stored, std::atomic<int>& failed) {
  std::barrier start(2);
  stored.assign(records, 0);
  auto station = [&] {
    auto cv = clsCatValida::create();  // this thread's slot
    for (int i = 0; i < records; ++i) {
      start.arrive_and_wait();
      try {
        if (call(*cv, i)) std::atomic_ref<int>(stored[i]).fetch_add(1);
      } catch (const Error&) {
        failed.fetch_add(1);
      }
    }
  };
  std::thread t1(station), t2(station);
  t1.join();
  t2.join();
}

// Both kinds whose duplicate test and INSERT another station may come between.
TEST(ConcurrentStations, TheSameRecordIsStoredOnce) {
  constexpr int kRecords = 40;
  const std::pair<const char*, std::function<bool(clsCatValida&, int)>> kinds[] = {
      {"SUBMAGRICOLA",
       [](clsCatValida& cv, int i) {
         RegistroAgricola a = test::sampleAgricola();
         a.strPoliza = "R-" + std::to_string(i);
         return insertAgricola(cv, a, cv.getConexion(), "Archivo");
       }},
      {"SUBMGANADERO", [](clsCatValida& cv, int i) {
         RegistroGanadero a = test::sampleGanadero();
         a.strPoliza = "R-" + std::to_string(i);
         return insertGanadero(cv, a, "Archivo");
       }}};
  for (const auto& [table, call] : kinds) {
    Environment env;
    std::vector<int> stored;
    std::atomic<int> failed = 0;
    raceOnThreads(kRecords, call, stored, failed);
    EXPECT_EQ(countRows(env, table), kRecords) << table;
    for (int i = 0; i < kRecords; ++i) EXPECT_EQ(stored[i], 1) << table << " " << i;
    // The other call of each pair reported the duplicate, or failed.
    EXPECT_EQ(env.duplicateLines().size() + failed.load(), static_cast<size_t>(kRecords)) << table;
  }
}

// Processes, each a station of its own, registering distinct livestock records at the same
// moments (a barrier they share before each record): the row key is the maximum plus one, and
// no station may take one another has taken.
TEST(ConcurrentStations, DistinctLivestockRecordsFromEightProcessesAreAllStored) {
  Environment env;
  constexpr int kProcesses = 8, kRecords = 50;
  void* shared = ::mmap(nullptr, sizeof(pthread_barrier_t), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(shared, MAP_FAILED);
  auto* barrier = static_cast<pthread_barrier_t*>(shared);
  pthread_barrierattr_t attr;
  pthread_barrierattr_init(&attr);
  pthread_barrierattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  ASSERT_EQ(pthread_barrier_init(barrier, &attr, kProcesses), 0);
  pthread_barrierattr_destroy(&attr);

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
        } catch (const Error& e) {
          std::fprintf(stderr, "%s: %d %s\n", a.strPoliza.c_str(), e.number(), e.description().c_str());
          ++failed;
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
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "records not stored by process " << pid;
  }
  pthread_barrier_destroy(barrier);
  ::munmap(shared, sizeof(pthread_barrier_t));
  EXPECT_EQ(countRows(env, "SUBMGANADERO"), kProcesses * kRecords);
  EXPECT_EQ(toInt32(env.openDatabase()->query("SELECT count(DISTINCT poliza) FROM SUBMGANADERO")
                        ->value(size_t{0})),
            kProcesses * kRecords);
  EXPECT_TRUE(env.duplicateLines().empty());
}

}  // namespace
}  // namespace korvanda
