#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Replaces the file at path with new content, all at once and durably:
// a temporary file beside it (with the old file's mode and, where allowed,
// its owner) receives the content through writeTo, is synced, renamed over
// path, and the folder is synced. writeTo gets a name that refers to the
// open temporary file and returns false on failure; verify then reads the
// written file through that name and returns what is wrong with it, empty
// when it may replace path. On any failure the old file stays as it was,
// the temporary file is removed, and *error holds one plain sentence.
bool replaceFileAtomically(const std::string& path, const std::function<bool(const std::string&)>& writeTo,
                           const std::function<std::string(const std::string&)>& verify, std::string* error);

// Copies the file at from to a new file at to, its bytes and mode: a
// temporary file named as the saves of temporaryFor name theirs (so that a
// copy cut short by a kill is cleared as their leftovers are) receives the
// bytes, is synced, and takes the name to only if nothing holds it. Never a
// link: changes to from later leave the copy as it was. On failure nothing
// is left and *error holds one plain sentence.
bool copyToNewFile(const std::string& from, const std::string& to, const std::string& temporaryFor, std::string* error);

// The start of the names of the temporary files that saves of the file at
// path write beside it (".SOFTWARE.pennant-save-").
std::string temporaryPrefix(const std::string& path);

// The temporary files of saves of the file at path that lie beside it: a
// save under way, or a writer killed mid-save (which leaves its whole copy).
std::vector<std::string> leftoverTemporaries(const std::string& path);

// Removes them all: only for a caller holding the file's write lock, so
// that no save is under way.
void removeStaleTemporaries(const std::string& path);

} // namespace platform
