// The command-line host, step by step as tests/golden/catalogs/cli.transcript has it.
#include "catalogs/transcript.h"

// Another installation's key first, for the step that must not decrypt with it.
TEST(Cli, Transcript) {
  korvanda::testing::runTranscript(
      "catalogs/cli.transcript",
      "mkdir c && env -u KORVANDA_KEY_FILE korvanda registry set --server s --database d "
      "--file c/r.ini >/dev/null && mv c/registry.key key.other");
}
