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
