#pragma once
// The ways a file changes under its name that a check of its identity, size
// and modification time must each catch, made on a real file.
#include <QString>

namespace tirvelo::test {

enum class FileChange {
    Resized,  // written to: another size
    Retimed,  // only its modification time moved on
    Replaced, // another file put in its place, with the same size and time
};
inline constexpr FileChange kFileChanges[] = {FileChange::Resized, FileChange::Retimed, FileChange::Replaced};

// Changes the file at path so; false when that could not be done.
bool changeFile(const QString& path, FileChange change);
// For a failing check's message.
const char* describe(FileChange change);

} // namespace tirvelo::test
