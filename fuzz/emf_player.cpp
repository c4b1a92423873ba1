// Feeds arbitrary bytes to the EMF player.
#define TIRVELO_FUZZ_METAFILE_FORMAT tirvelo::MetafileFormat::Emf
#include "MetafilePlayerFuzz.inc"
