// Feeds arbitrary bytes to the WMF player.
#define TIRVELO_FUZZ_METAFILE_FORMAT tirvelo::MetafileFormat::Wmf
#include "MetafilePlayerFuzz.inc"
