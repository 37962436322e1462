#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "upload/server_address.h"
#include "upload/server_connection.h"

namespace marivel::test {

// A real server on 127.0.0.1, on a free port, serving the folder site():
// OpenSSH's sshd (SFTP, logging in as this user with a key made here),
// vsftpd (FTPS with explicit TLS, anonymous) or nginx with its DAV modules
// (WebDAV over HTTPS, user "web", password "secret"). Its keys and
// certificate are made for it and thrown away with it.
class TestServer {
public:
    explicit TestServer(Protocol protocol);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    void start();
    // Kills the server and every process it started, as a crash would.
    void kill();
    // Stops or resumes the server and its processes, as a hung machine.
    void pause(bool stopped);

    Protocol protocol() const { return protocol_; }
    const std::filesystem::path& site() const { return site_; }
    std::string url() const;
    ServerAddress address() const { return ParseServerAddress(url()); }
    // Options that log in and trust this server (the SSH host key already
    // in known_hosts, the CA file given).
    UploadOptions options() const;
    // An SSH folder of this test: known_hosts and the user key.
    const std::filesystem::path& sshFolder() const { return sshFolder_; }
    // A home folder whose .ssh is sshFolder().
    std::filesystem::path home() const { return sshFolder_.parent_path(); }
    // Keys and certificates of the test program: ca.pem (trusted by
    // options()), stranger.pem (another authority), other_host_key (a key
    // the server does not know).
    static std::filesystem::path credentials();
    // The fingerprint of the SSH host key, as ssh-keygen -l shows it.
    std::string hostKeyFingerprint() const;
    // A second, unrelated SSH host key line for this server's known_hosts.
    std::string otherHostKeyLine() const;
    std::string hostKeyLine() const;
    std::string log() const;

private:
    void writeSshd();
    void writeVsftpd();
    void writeNginx();

    Protocol protocol_;
    TempDir dir_;
    std::filesystem::path site_;
    std::filesystem::path sshFolder_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::vector<std::string> command_;
};

// Runs a shell command; throws with its output when it fails.
void Run(const std::string& command);

}  // namespace marivel::test
