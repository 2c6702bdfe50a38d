# Included by ctest after the discovered tests: the tests (of test_reliability and
# test_registration) that run many threads or processes at once carry the label "concurrency"
# (scripts/tsan.sh runs them under ThreadSanitizer).
set_tests_properties(
  Concurrency.ThreadsAndProcessesRegisterAndExportOnOneDatabase
  Concurrency.EachThreadHasItsOwnConnection
  Concurrency.FailuresOfManyThreadsLogWholeLines
  Concurrency.ReferenceCountsAcrossThreads
  ConcurrentStations.DistinctLivestockRecordsFromEightProcessesAreAllStored
  PROPERTIES LABELS concurrency)

# Debian's SQLite ODBC driver leaks what it allocated for a connection that NoCreat=1 refuses;
# the driver is unloaded before LeakSanitizer looks, so no suppression can name it. The
# sanitizer run leaves this one test out (it runs in the plain build).
set_tests_properties(SqliteDriver.NoFormOfTheServerFieldCreatesAMissingFile
  PROPERTIES LABELS no-sanitizer)
