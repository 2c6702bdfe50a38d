// What every fuzzer needs: a way to stop on a broken property, and a scratch directory for the
// files a fuzzed call writes.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvanda::fuzz {

// A broken property: libFuzzer keeps the input that led here.
[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// A directory of its own for this run (in memory when /dev/shm exists, as the writers sync every
// file they replace), created on first use and removed when the fuzzer ends normally.
inline const std::string& scratchDirectory(const char* fuzzer) {
  struct Removed {
    std::string dir;
    ~Removed() {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  };
  static const Removed scratch{[fuzzer] {
    std::error_code ec;
    std::string dir = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
    dir += "/korvanda-fuzz-" + std::string(fuzzer) + "-XXXXXX";
    if (!::mkdtemp(dir.data())) fail("cannot create a temporary directory");
    return dir;
  }()};
  return scratch.dir;
}

}  // namespace korvanda::fuzz
