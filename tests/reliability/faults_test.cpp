// Faults around the library: logs that cannot be written, a full device, a database file held
// by another process, replaced by garbage or deleted, connections closed underneath, and a
// registry value that is missing, short or does not decrypt. Each ends in its error, leaves
// no descriptor open and nothing half-written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <random>

#include "component/ModGlobal.h"
#include "korvanda/automation.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/clsControlFiles.h"
#include "platform/components/connection_data.h"
#include "platform/sqlite/engine.h"
#include "reliability_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using reliability::AgricolaTexts;
using reliability::LockHolder;
using reliability::RawDatabase;
using reliability::openDescriptors;
using testing::Environment;
using testing::ScopedEnv;
using testing::errorOf;

constexpr const char* kNoTable = "El catalogo solicitado no existe";

int64_t count(RawDatabase& db, const std::string& table) {
  return db.integer("SELECT count(*) FROM " + table);
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string randomBytes(size_t n) {
  std::mt19937 gen(42);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

// The livestock data-file layout, every field a text.
RecordsetRef livestockRecords(size_t rows) {
  static const std::vector<std::string> fields = {
      "Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
      "Identificacion", "CveEstado", "CveMunicipio", "cveespecie", "cvefuncion", "Aniocontrata",
      "VigenciaAsegIni", "VigenciaAsegFin", "CabezasAseg", "UnidadesAseg", "SumaAsegurada",
      "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg", "PrimaCGobFed",
      "totalcobrado", "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"};
  std::vector<std::vector<Variant>> values;
  for (size_t r = 0; r < rows; ++r) {
    std::vector<Variant> row;
    for (size_t c = 0; c < fields.size(); ++c) row.emplace_back("GA-" + std::to_string(r) + "-" + std::to_string(c));
    values.push_back(std::move(row));
  }
  return testing::makeRecordset(fields, values);
}

// ---- logs that cannot be written

class UnwritableLog : public ::testing::Test {
 protected:
  // The library's own error for a log it cannot write replaces the one being logged.
  void expectLogFailure(const std::string& logDir, int32_t number, int err) {
    auto cv = clsCatValida::create();
    const size_t fds = openDescriptors();
    ScopedEnv log("KORVANDA_LOG_DIR", logDir);
    Error e = errorOf([&] { cv->getCatalogos(0); });
    EXPECT_EQ(e.number(), number);
    EXPECT_EQ(e.source(), "KORVANDA");
    EXPECT_NE(e.description().find(logDir + "/logFile.log"), std::string::npos) << e.description();
    EXPECT_EQ(e.lastSystemError(), err);
    EXPECT_EQ(openDescriptors(), fds);
  }
  Environment env;
};

TEST_F(UnwritableLog, MissingDirectoryIsPathNotFound) {
  expectLogFailure(env.dir().string() + "/no/such/dir", 76, ENOENT);
  EXPECT_FALSE(std::filesystem::exists(env.dir() / "no"));
}

TEST_F(UnwritableLog, PathThroughAFileIsPathNotFound) {
  writeBytes((env.dir() / "plain").string(), "x");
  expectLogFailure((env.dir() / "plain").string(), 76, ENOTDIR);
}

TEST_F(UnwritableLog, DirectoryRefusingNewFilesIsPermissionDenied) {
  // Root may write anywhere a permission bit would stop it; sysfs refuses new files to root too.
  int fd = ::open("/sys/logFile.log", O_WRONLY | O_APPEND | O_CREAT, 0644);
  const int err = errno;
  if (fd >= 0) ::close(fd);
  if (fd >= 0 || (err != EACCES && err != EROFS)) GTEST_SKIP() << "no directory here refuses new files";
  expectLogFailure("/sys", 70, err);
}

TEST_F(UnwritableLog, DuplicatesLogFailureReachesTheCallerAndStoresNothing) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  const AgricolaTexts record("LOG-1");
  ASSERT_TRUE(reliability::insertAgricola(*cv, record, conn));
  RawDatabase db(env.databasePath());
  const auto before = db.digests();
  const size_t fds = openDescriptors();
  {
    ScopedEnv log("KORVANDA_LOG_DIR", env.dir().string() + "/missing");
    // The duplicate goes to Errores.log, which cannot be opened; then neither can logFile.log.
    Error e = errorOf([&] { reliability::insertAgricola(*cv, record, conn, "Archivo"); });
    EXPECT_EQ(e.number(), 76);
  }
  EXPECT_EQ(openDescriptors(), fds);
  EXPECT_EQ(db.digests(), before);
  EXPECT_TRUE(env.duplicateLines().empty());
}

TEST_F(UnwritableLog, ThroughTheAbiTheCallFailsWithTheLogError) {
  kv_object* cv = nullptr;
  kv_error err{};
  ASSERT_EQ(kv_create_object("KORVANDA.clsCatValida", &cv, &err), 0);
  ScopedEnv log("KORVANDA_LOG_DIR", env.dir().string() + "/missing");
  kv_variant arg{};
  arg.vt = KV_I4;
  arg.u.i4 = 0;
  kv_variant result{};
  EXPECT_NE(kv_invoke(cv, "getCatalogos", KV_METHOD, &arg, 1, &result, &err), 0);
  EXPECT_EQ(err.number, 76);
  EXPECT_EQ(result.vt, KV_EMPTY);
  kv_error_clear(&err);
  kv_object_release(cv);
}

// With the log back, the same failure is logged and raised as it always is.
TEST_F(UnwritableLog, AWritableLogAgainLogsNormally) {
  auto cv = clsCatValida::create();
  Error e = errorOf([&] { cv->getCatalogos(0); });
  EXPECT_EQ(e.number(), kAppError1001);
  EXPECT_EQ(e.description(), kNoTable);
  ASSERT_EQ(env.logEntries().size(), 1u);
}

// ---- a full device

class FullDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st {};
    if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
  }
  void expectDiskFull(size_t rows) {
    clsControlFiles cf;
    cf.setCorrectFile(false);
    RecordsetRef records = livestockRecords(rows);
    const size_t fds = openDescriptors();
    Error e = errorOf([&] { cf.ExportFileDat("/dev/full", records, 2); });
    EXPECT_EQ(e.number(), 61);
    EXPECT_EQ(e.source(), "KORVANDA");
    EXPECT_EQ(e.lastSystemError(), ENOSPC);
    EXPECT_EQ(e.description(), "Disk full: /dev/full (No space left on device)");
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_TRUE(cf.getCorrectFile());
    const auto logs = env.logEntries();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].label, "KORVANDA.clsControlFiles.ExportFileDat");
    EXPECT_EQ(logs[0].number, 61);
    EXPECT_EQ(logs[0].description, "El disco esta lleno");
    // The device is not an ordinary file: nothing deleted it.
    struct stat st {};
    EXPECT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }
  Environment env{Environment::Options{.database = false, .demo = false, .registry = false}};
};

TEST_F(FullDevice, FewLinesFailWhenTheFileIsClosed) { expectDiskFull(3); }

TEST_F(FullDevice, ManyLinesFailWhileWriting) { expectDiskFull(3000); }

TEST_F(FullDevice, PlaceholderFileFailsTheSameWay) {
  clsControlFiles cf;
  const size_t fds = openDescriptors();
  EXPECT_EQ(errorOf([&] { cf.ExportFileDatForCSta("/dev/full", 2, 1, "F01", 1, 2026, "PV2026"); }).number(), 61);
  EXPECT_EQ(openDescriptors(), fds);
}

// ---- a database file locked by another process

class LockedDatabase : public ::testing::Test {
 protected:
  Environment env;
};

TEST_F(LockedDatabase, RegistrationPastTheBusyTimeoutFailsAndStoresNothing) {
  auto cv = clsCatValida::create();
  // The caller's own connection, with a short wait.
  ConnectionRef conn = sqlite::openEmbedded(env.databasePath(), std::chrono::milliseconds(200));
  RawDatabase db(env.databasePath());
  const auto before = db.digests();
  const size_t fds = openDescriptors();
  {
    LockHolder other(env.databasePath());
    ASSERT_TRUE(other.locked());
    Error e = errorOf([&] { reliability::insertAgricola(*cv, AgricolaTexts("LOCK-1"), conn); });
    EXPECT_EQ(e.number(), sqlite::kErrTimeout);
    EXPECT_EQ(e.source(), "SQLite");
    EXPECT_TRUE(e.description().starts_with("Timeout expired: ")) << e.description();
  }
  EXPECT_EQ(openDescriptors(), fds);
  EXPECT_EQ(db.digests(), before);
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_EQ(logs[1].label, "KORVANDA.clsCatValida.InsertAgricola");
  EXPECT_EQ(logs[1].number, sqlite::kErrTimeout);
  // The lock gone, the same connection stores the record.
  EXPECT_TRUE(reliability::insertAgricola(*cv, AgricolaTexts("LOCK-1"), conn));
  EXPECT_EQ(count(db, "SUBMAGRICOLA WHERE poliza = 'LOCK-1'"), 1);
}

TEST_F(LockedDatabase, SharedConnectionWaitsItsWholeTimeoutThenFails) {
  auto cv = clsCatValida::create();
  RawDatabase db(env.databasePath());
  const auto before = db.digests();
  LockHolder other(env.databasePath());
  ASSERT_TRUE(other.locked());
  Error e = errorOf([&] { EjecutaQuerySinResultado("UPDATE CATCESTADO SET NomEstado = 'X'"); });
  EXPECT_EQ(e.number(), sqlite::kErrTimeout);
  other.release();
  EXPECT_EQ(db.digests(), before);
  ASSERT_FALSE(env.logEntries().empty());
  EXPECT_EQ(env.logEntries().back().label, "KORVANDA.ModGlobal.EjecutaQuerySinResultado");
}

TEST_F(LockedDatabase, ALockReleasedWithinTheTimeoutIsWaitedFor) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  LockHolder other(env.databasePath(), 300);  // lets go by itself
  ASSERT_TRUE(other.locked());
  EXPECT_TRUE(reliability::insertAgricola(*cv, AgricolaTexts("WAIT-1"), conn));
  RawDatabase db(env.databasePath());
  EXPECT_EQ(count(db, "SUBMAGRICOLA WHERE poliza = 'WAIT-1'"), 1);
  EXPECT_TRUE(env.logLines().empty());
}

// ---- a database file replaced by garbage

class GarbageDatabase : public ::testing::Test {
 protected:
  void replaceFile(const std::string& bytes) {
    std::error_code ec;
    std::filesystem::remove(env.databasePath() + "-wal", ec);
    std::filesystem::remove(env.databasePath() + "-shm", ec);
    writeBytes(env.databasePath(), bytes);
  }
  Environment env;
};

TEST_F(GarbageDatabase, ConnectingFailsAndTheSlotKeepsWhatItHeld) {
  const size_t fds = openDescriptors();
  for (const std::string& garbage : {randomBytes(8192), std::string("SQLite format 3\0", 16) + randomBytes(4080)}) {
    replaceFile(garbage);
    env.clearLogs();
    Error e = errorOf([] { clsCatValida::create(); });
    EXPECT_EQ(e.number(), sqlite::kErrConnection);
    EXPECT_EQ(e.source(), "SQLite");
    EXPECT_TRUE(e.description().starts_with("Cannot open database \"" + env.databasePath() + "\"")) << e.description();
    EXPECT_EQ(slot::current(), nullptr);
    const auto logs = env.logEntries();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.Class_Initialize");
    // getOpenConnection fails the same way, under its own label.
    EXPECT_EQ(errorOf([] { getOpenConnection(); }).number(), sqlite::kErrConnection);
    EXPECT_EQ(env.logEntries().back().label, "KORVANDA.ModGlobal.getOpenConnection");
  }
  EXPECT_EQ(openDescriptors(), fds);
}

TEST_F(GarbageDatabase, ReplacedUnderAnOpenConnectionClosesIt) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  ASSERT_TRUE(reliability::insertAgricola(*cv, AgricolaTexts("G-1"), conn));
  const size_t fds = openDescriptors();
  // Another file moved into place: the open connection would go on writing into the old one.
  const std::string garbage = env.databasePath() + ".new";
  writeBytes(garbage, randomBytes(8192));
  std::filesystem::rename(garbage, env.databasePath());
  Error e = errorOf([&] { reliability::insertAgricola(*cv, AgricolaTexts("G-2"), conn); });
  EXPECT_EQ(e.number(), sqlite::kErrConnection);
  EXPECT_EQ(e.description(), "The database file \"" + env.databasePath() +
                                 "\" was removed or replaced while the connection was open; the "
                                 "connection is closed.");
  EXPECT_EQ(conn->state(), 0);
  EXPECT_LT(openDescriptors(), fds);
  // The next use opens what is there now: garbage fails, a good database works again.
  EXPECT_EQ(errorOf([] { getOpenConnection(); }).number(), sqlite::kErrConnection);
  const std::string good = env.databasePath() + ".good";
  sqlite::createDatabase(good, true);
  std::filesystem::rename(good, env.databasePath());
  ASSERT_EQ(getOpenConnection(), conn);
  EXPECT_EQ(conn->state(), 1);
  EXPECT_TRUE(reliability::insertAgricola(*cv, AgricolaTexts("G-2"), conn));
  RawDatabase db(env.databasePath());
  EXPECT_EQ(count(db, "SUBMAGRICOLA WHERE poliza = 'G-2'"), 1);
}

TEST_F(GarbageDatabase, DeletedUnderAnOpenConnectionClosesIt) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  std::filesystem::remove(env.databasePath());
  Error e = errorOf([&] { reliability::insertAgricola(*cv, AgricolaTexts("G-3"), conn); });
  EXPECT_EQ(e.number(), sqlite::kErrConnection);
  EXPECT_EQ(conn->state(), 0);
  // Reopening never creates an empty database in its place.
  EXPECT_EQ(errorOf([] { getOpenConnection(); }).number(), sqlite::kErrConnection);
  EXPECT_FALSE(std::filesystem::exists(env.databasePath()));
}

// ---- a connection closed or lost underneath

class ClosedConnection : public ::testing::Test {
 protected:
  Environment env;
};

TEST_F(ClosedConnection, ClosedByTheApplicationIsReopenedOnNextUse) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  conn->close();
  EXPECT_EQ(conn->state(), 0);
  ConnectionRef again = getOpenConnection();
  EXPECT_EQ(again, conn);
  EXPECT_EQ(again->state(), 1);
  EXPECT_TRUE(reliability::insertAgricola(*cv, AgricolaTexts("C-1"), again));
}

TEST_F(ClosedConnection, ThroughTheAbiCloseThenGetConexionGivesItBackOpen) {
  kv_error err{};
  kv_object* cv = nullptr;
  ASSERT_EQ(kv_create_object("KORVANDA.clsCatValida", &cv, &err), 0);
  kv_variant conn{}, state{};
  ASSERT_EQ(kv_invoke(cv, "getConexion", KV_METHOD, nullptr, 0, &conn, &err), 0);
  ASSERT_EQ(conn.vt, KV_OBJECT);
  ASSERT_EQ(kv_invoke(conn.u.obj, "Close", KV_METHOD, nullptr, 0, nullptr, &err), 0);
  // Closing twice is the data-access error, not a crash.
  EXPECT_NE(kv_invoke(conn.u.obj, "Close", KV_METHOD, nullptr, 0, nullptr, &err), 0);
  EXPECT_EQ(err.number, 3704);
  kv_error_clear(&err);
  kv_variant again{};
  ASSERT_EQ(kv_invoke(cv, "getConexion", KV_METHOD, nullptr, 0, &again, &err), 0);
  ASSERT_EQ(kv_invoke(conn.u.obj, "State", KV_PROPERTYGET, nullptr, 0, &state, &err), 0);
  EXPECT_EQ(state.u.i4, 1);
  kv_variant_clear(&again);
  kv_variant_clear(&conn);
  kv_object_release(cv);
}

TEST_F(ClosedConnection, ClosedConnectionPassedInFailsWithoutARow) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = sqlite::openEmbedded(env.databasePath());
  conn->close();
  RawDatabase db(env.databasePath());
  const auto before = db.digests();
  Error e = errorOf([&] { reliability::insertAgricola(*cv, AgricolaTexts("C-2"), conn); });
  EXPECT_EQ(e.number(), 3704);
  EXPECT_EQ(db.digests(), before);
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.getDuplicado");
  EXPECT_EQ(logs[1].label, "KORVANDA.clsCatValida.InsertAgricola");
  EXPECT_EQ(logs[1].description,
            "ADO La conexión con la base de datos se encuentra cerrada por lo que no puede realizar la aplicación solicitada.");
}

TEST_F(ClosedConnection, DatabaseFileGoneWhileClosedFailsTheReopen) {
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  conn->close();
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(env.databasePath() + suffix, ec);
  const size_t fds = openDescriptors();
  Error e = errorOf([] { getOpenConnection(); });
  EXPECT_EQ(e.number(), sqlite::kErrConnection);
  EXPECT_EQ(e.description(), "Cannot open database \"" + env.databasePath() + "\": the file does not exist.");
  // Never a new empty database in its place; the slot still holds the closed connection.
  EXPECT_FALSE(std::filesystem::exists(env.databasePath()));
  EXPECT_EQ(slot::current(), conn);
  EXPECT_EQ(conn->state(), 0);
  EXPECT_EQ(openDescriptors(), fds);
}

TEST_F(ClosedConnection, DestroyingTheObjectReleasesEveryDescriptor) {
  const size_t fds = openDescriptors();
  for (int i = 0; i < 20; ++i) {
    auto cv = clsCatValida::create();
    ASSERT_TRUE(reliability::insertAgricola(*cv, AgricolaTexts("D-" + std::to_string(i)), cv->getConexion()));
  }
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(openDescriptors(), fds);
}

// ---- the registry value

class RegistryFault : public ::testing::Test {
 protected:
  // A working connection in the slot, then the registry broken: creating a clsCatValida fails
  // with the error, logs it under the initializer and leaves the slot as it was.
  void expectCreationFails(int32_t number, const std::string& logDescription) {
    ConnectionRef held = getOpenConnection();
    const size_t fds = openDescriptors();
    env.clearLogs();
    Error e = errorOf([] { clsCatValida::create(); });
    EXPECT_EQ(e.number(), number) << e.description();
    EXPECT_EQ(slot::current(), held);
    EXPECT_EQ(held->state(), 1);
    const auto logs = env.logEntries();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.Class_Initialize");
    EXPECT_EQ(logs[0].number, number);
    if (!logDescription.empty()) {
      EXPECT_EQ(logs[0].description, logDescription);
    }
    EXPECT_EQ(openDescriptors(), fds);
    // With an empty slot, getOpenConnection fails the same way under its own label.
    slot::current().reset();
    EXPECT_EQ(errorOf([] { getOpenConnection(); }).number(), number);
    EXPECT_EQ(env.logEntries().back().label, "KORVANDA.ModGlobal.getOpenConnection");
    EXPECT_EQ(slot::current(), nullptr);
  }
  std::string password() const {
    return components::splitFields(components::connectionValue("sqlite", "u", "secret", "x"))[2];
  }
  Environment env;
};

TEST_F(RegistryFault, ValueMissing) {
  getOpenConnection();
  std::ofstream(env.registryPath(), std::ios::trunc) << "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nOtro=1\n";
  expectCreationFails(-2147024894, "");
  EXPECT_TRUE(env.logEntries().front().description.starts_with("Registry value not found: "));
}

TEST_F(RegistryFault, FileMissing) {
  getOpenConnection();
  std::filesystem::remove(env.registryPath());
  expectCreationFails(53, "No se pudo encontrar el archivo");
}

TEST_F(RegistryFault, ThreeFieldsIsSubscriptOutOfRange) {
  getOpenConnection();
  env.writeRegistryValue("sqlite|u|" + password());
  expectCreationFails(9, "Se trato de acceder un elemento, no existente.");
}

TEST_F(RegistryFault, PasswordThatIsNotBase64) {
  getOpenConnection();
  env.writeRegistryValue("sqlite|u|not base64!|" + env.databasePath());
  expectCreationFails(-2146893819, "");
}

TEST_F(RegistryFault, PasswordThatDoesNotAuthenticate) {
  getOpenConnection();
  std::string tampered = password();
  tampered[5] = tampered[5] == 'A' ? 'B' : 'A';
  env.writeRegistryValue("sqlite|u|" + tampered + "|" + env.databasePath());
  expectCreationFails(-2146893819, "");
  // Base64 of the right length made of other bytes fails the same way.
  slot::current() = sqlite::openEmbedded(env.databasePath());
  env.writeRegistryValue("sqlite|u|AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA|" + env.databasePath());
  expectCreationFails(-2146893819, "");
}

// The installation's key file: gone, damaged, or another installation's (the password no
// longer decrypts). Each fails like any other connection-data fault, naming the key file.
TEST_F(RegistryFault, KeyFile) {
  const std::string key = env.keyPath();
  const struct {
    const char* what;
    std::function<void()> damage;
    int32_t number;
  } cases[] = {
      {"removed", [&] { std::filesystem::remove(key); }, 53},
      {"damaged", [&] { std::ofstream(key, std::ios::trunc) << "0123456789\n"; }, 321},
      {"another installation's",
       [&] {
         std::filesystem::remove(key);
         components::createKeyFile(key);
       },
       -2146893819},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(key);
    components::createKeyFile(key);
    env.writeRegistryFor(env.databasePath(), "sqlite", "u", "secret");
    getOpenConnection();
    c.damage();
    expectCreationFails(c.number, "");
    const Error e = errorOf([] { getOpenConnection(); });
    EXPECT_EQ(e.source(), "SEGURIDAD.CCrypto");
    if (c.number != -2146893819) {
      EXPECT_NE(e.description().find(key), std::string::npos) << e.description();
    }
  }
}

TEST_F(RegistryFault, FiveFieldsUseTheFirstFour) {
  env.writeRegistryValue(components::connectionValue("sqlite", "u", "secret", env.databasePath()) + "|extra");
  auto cv = clsCatValida::create();
  EXPECT_EQ(cv->getConexion()->state(), 1);
  EXPECT_TRUE(env.logLines().empty());
}

}  // namespace
}  // namespace korvanda
