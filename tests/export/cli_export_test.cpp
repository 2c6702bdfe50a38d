// korvanda export, step by step as tests/golden/export/cli.transcript has it.
#include "catalogs/transcript.h"

TEST(CliExport, Transcript) { korvanda::testing::runTranscript("export/cli.transcript"); }
