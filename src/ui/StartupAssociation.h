#pragma once
// Start-up's link to the file-type association.

namespace tirvelo {

class MessageSink;

// Run only when the program was started without parameters: registers the
// program for book files, asking first when another program holds them.
void checkBookAssociationAtStartup(MessageSink& messages);

} // namespace tirvelo
