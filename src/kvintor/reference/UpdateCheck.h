#pragma once
// The update check without windows: the version file fetched over FTP into
// a private temporary file, and the verdict on its text.
#include <QString>
#include <functional>

namespace kvintor {

// Where the version file lies. The server is an FTP address
// ("ftp://host[:port][/folder]"); the file "Versiy.txt" is fetched from it.
struct UpdateSource {
    QString server;
    QString user; // empty: anonymous
    QString password;
    int connectTimeoutS = 20;
    int timeoutS = 60; // the whole transfer
};

// The version file's address on a server.
QString versionFileUrl(const QString& server);

enum class FetchState {
    Completed,    // the server sent the file
    Failed,       // the transfer failed: no server, refused, no such file, time-out
    Cancelled,    // keepGoing answered false
    LocalFailure, // no temporary file could be made here
};

struct FetchResult {
    FetchState state = FetchState::Failed;
    QString text;           // the file's content (Completed)
    bool oversized = false; // larger than any version file can be; text cut short
    QString detail;         // why it failed, for people
};

// A version file is a few bytes; anything beyond this is not one.
constexpr int kMaxVersionFileBytes = 4096;

// Fetches the version file. The transfer runs while keepGoing() is called
// between short waits (it lets the window's events run and answers false to
// cancel); the file lives in a temporary file of the user's own, readable by
// nobody else, and is deleted before this returns.
FetchResult fetchVersionFile(const UpdateSource& source, const std::function<bool()>& keepGoing);

enum class Verdict {
    Newer,      // the server has a higher major version: open the download page
    NotNewer,   // tell that no update exists
    NotAVersion // longer than two characters: no message at all
};

// The verdict on the version file's text for a program of this major version.
Verdict judgeVersionText(const QString& text, int majorVersion);

} // namespace kvintor
