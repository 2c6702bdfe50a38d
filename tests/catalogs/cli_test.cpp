// The command-line host, step by step as tests/golden/catalogs/cli.transcript has it.
#include "catalogs/transcript.h"

TEST(Cli, Transcript) { korvanda::testing::runTranscript("catalogs/cli.transcript"); }
