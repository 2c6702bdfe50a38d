# Included by ctest after the discovered tests of test_reliability: the tests that run many
# threads or processes at once carry the label "concurrency" (scripts/tsan.sh runs them under
# ThreadSanitizer).
set_tests_properties(
  Concurrency.ThreadsAndProcessesRegisterAndExportOnOneDatabase
  Concurrency.EachThreadHasItsOwnConnection
  Concurrency.FailuresOfManyThreadsLogWholeLines
  Concurrency.ReferenceCountsAcrossThreads
  PROPERTIES LABELS concurrency)
