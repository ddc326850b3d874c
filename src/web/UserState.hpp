#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace web {

// Where the program keeps what belongs to the user rather than to a device: the default device
// and the server's secret under the state directory, the running server's address under the
// runtime directory.

// $XDG_STATE_HOME/quillane, else ~/.local/state/quillane. Throws when neither variable is set.
std::filesystem::path userStateDir();

// $XDG_RUNTIME_DIR/quillane, or nothing when the session has no runtime directory.
std::optional<std::filesystem::path> userRuntimeDir();

// The server's secret: read from the state directory, or made there on first use (mode 0600).
// Several servers starting at once agree on one secret.
std::string loadOrCreateAccessToken(const std::filesystem::path& stateDir);

// A new secret as long as the server's, from the system's random numbers.
std::string newSecret();

// `bytes` random bytes from the system, as lower-case hexadecimal: secrets and one-time codes.
std::string randomHex(std::size_t bytes);

// True when standard output goes to the systemd journal (the service's JOURNAL_STREAM names
// it), where whatever is printed is kept and others may read it.
bool standardOutputIsJournal();

// Compares a presented secret with the real one in time that does not depend on where they
// differ.
bool accessTokenMatches(const std::string& presented, const std::string& secret);

// The address a running server records for `quillane open`, and reads back.
void recordServerAddress(const std::string& url);
void forgetServerAddress(const std::string& url);
std::optional<std::string> recordedServerAddress();

} // namespace web
