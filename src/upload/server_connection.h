#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "upload/server_address.h"
#include "upload/upload_plan.h"

namespace marivel {

// An SSH server the known hosts file does not know, as the user is asked
// about it.
struct HostKeyQuestion {
    std::string host;  // "host" or "[host]:port"
    std::string keyType;
    std::string fingerprint;  // "SHA256:..." as ssh-keygen -l shows it
};

// How to reach and trust the server. Nothing here is ever written to a file
// or a message; the password least of all.
struct UploadOptions {
    std::optional<std::string> password;
    bool useNetrc = true;  // ~/.netrc, when no password is given
    // The SSH folder: known_hosts and the user's keys (id_ed25519,
    // id_ecdsa, id_rsa). Empty: ~/.ssh.
    std::filesystem::path sshFolder;
    // Certificate authorities to trust instead of the system's, for a server
    // with a certificate of the user's own. Verification is never turned off.
    std::filesystem::path caFile;
    bool allowUnencrypted = false;  // ftp://
    long connectSeconds = 20;
    long stallSeconds = 30;  // a transfer that moves no byte this long is given up
    // Asked for an SSH host that known_hosts does not list; true adds it.
    // Unset: such a host is refused.
    std::function<bool(const HostKeyQuestion&)> trustNewHost;
    // Called while bytes go out; false cancels at once.
    std::function<bool(std::uint64_t sentOfFile)> keepGoing;
};

// One connection to the server folder through libcurl, kept open between
// requests. Every call throws Error with a message for the user.
class ServerConnection {
public:
    ServerConnection(ServerAddress address, UploadOptions options);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // The plain files of the folder, read as hostile (see server_listing.h).
    std::vector<RemoteEntry> list();
    // Sends the local file under a temporary name and renames it over
    // `name`, so the server holds the old file or the new, never a part.
    void upload(const std::filesystem::path& local, const std::string& name);
    // Removes `name`; a file that is already gone counts as removed.
    void remove(const std::string& name);

    // Bytes sent so far: the files' bytes and, where the protocol shows
    // them, the requests' headers.
    std::uint64_t bytesSent() const { return bytesSent_; }
    bool cancelled() const { return cancelled_; }

private:
    void prepare();
    void perform(const std::string& what);
    std::string url(const std::string& name) const;
    std::string remotePath(const std::string& name) const;
    long responseCode() const;
    void uploadWebDav(const std::filesystem::path& local, const std::string& temporary,
                      const std::string& name);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent);
    static int onHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                         void* self);
    static int onCloseSocket(void* self, curl_socket_t socket);

    ServerAddress address_;
    UploadOptions options_;
    CURL* curl_ = nullptr;
    char error_[CURL_ERROR_SIZE] = {};
    std::string body_;
    std::uint64_t bytesSent_ = 0;
    bool cancelled_ = false;
    bool bodyTooLarge_ = false;
    std::string hostKeyRefusal_;
};

// Closes a connection only once the server has closed its side too, or has
// moved no byte for stallSeconds. A TLS 1.3 server sends its session ticket
// after the handshake; when a file is written out before that ticket comes,
// a socket closed at once answers the ticket with a reset, which throws away
// the end of the file still queued to go, and the server refuses the file.
int CloseWhenServerIsDone(int socket, long stallSeconds);

// "SHA256:" and the unpadded base64 of the SHA-256 of a raw SSH key blob.
std::string KeyFingerprint(const std::string& blob);

}  // namespace marivel
