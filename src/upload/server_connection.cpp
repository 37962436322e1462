#include "upload/server_connection.h"

#include <linux/sockios.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>

#include "model/error.h"
#include "model/user_folders.h"
#include "upload/server_listing.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

// A listing larger than this is not a web site's folder.
constexpr std::size_t kLargestListing = 8u << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

HeaderList Append(HeaderList list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) throw Error("Out of memory");
    (void)list.release();
    return HeaderList(grown);
}

std::string Escaped(CURL* curl, const std::string& text) {
    char* raw = curl_easy_escape(curl, text.data(), static_cast<int>(text.size()));
    if (!raw) throw Error("Out of memory");
    std::string escaped = raw;
    curl_free(raw);
    return escaped;
}

// A path as an SFTP quote command reads it.
std::string Quoted(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Base64(const unsigned char* data, std::size_t size) {
    std::string text(4 * ((size + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), data, static_cast<int>(size));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The raw key of a curl_khkey, which gives either the blob or its base64.
std::string KeyBlob(const curl_khkey& key) {
    if (key.len) return std::string(key.key, key.len);
    const std::string text = key.key;
    std::string blob(3 * (text.size() / 4) + 3, '\0');
    const int length =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(blob.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (length < 0) return {};
    blob.resize(static_cast<std::size_t>(length));
    // Padding of the base64 decodes to zero bytes the blob does not have.
    const std::size_t padding = text.size() - std::min(text.size(), text.find_last_not_of('=') + 1);
    blob.resize(blob.size() - std::min(blob.size(), padding));
    return blob;
}

std::string KeyTypeName(curl_khtype type) {
    switch (type) {
        case CURLKHTYPE_RSA1:
        case CURLKHTYPE_RSA:
            return "RSA";
        case CURLKHTYPE_DSS:
            return "DSA";
        case CURLKHTYPE_ECDSA:
            return "ECDSA";
        case CURLKHTYPE_ED25519:
            return "ED25519";
        default:
            return "unknown";
    }
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* self) {
    auto* body = static_cast<std::pair<std::string*, bool*>*>(self);
    const std::size_t bytes = size * count;
    if (body->first->size() + bytes > kLargestListing) {
        *body->second = true;
        return 0;
    }
    body->first->append(data, bytes);
    return bytes;
}

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

std::string KeyFingerprint(const std::string& blob) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(blob.data(), blob.size(), digest, &size, EVP_sha256(), nullptr);
    std::string text = Base64(digest, size);
    while (!text.empty() && text.back() == '=') text.pop_back();
    return "SHA256:" + text;
}

int CloseWhenServerIsDone(int socket, long stallSeconds) {
    using Clock = std::chrono::steady_clock;
    // What is still queued goes out, then the end of the stream, which is how
    // the server learns that the file is complete.
    ::shutdown(socket, SHUT_WR);
    auto moved = Clock::now();
    int unsent = -1;
    char discarded[4096];
    while (Clock::now() - moved < std::chrono::seconds(stallSeconds)) {
        pollfd waiting{socket, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, 100);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) {
            const ssize_t got = ::recv(socket, discarded, sizeof discarded, 0);
            if (got == 0) break;  // the server is done
            if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
            moved = Clock::now();
            continue;
        }
        // Bytes still leaving over a slow line are no stall.
        int queued = 0;
        if (::ioctl(socket, SIOCOUTQ, &queued) == 0 && queued != unsent) {
            unsent = queued;
            moved = Clock::now();
        }
    }
    return ::close(socket);
}

ServerConnection::ServerConnection(ServerAddress address, UploadOptions options)
    : address_(std::move(address)), options_(std::move(options)) {
    if (address_.protocol == Protocol::Ftp && !options_.allowUnencrypted)
        throw Error("The server address " + address_.text() +
                    " uses unencrypted FTP, which sends the password and the files readable to anyone "
                    "on the way. Use sftp:// or ftps://, or allow unencrypted FTP explicitly");
    if (options_.sshFolder.empty()) options_.sshFolder = HomeFolder() / ".ssh";
    GlobalInit();
    curl_ = curl_easy_init();
    if (!curl_) throw Error("Cannot start the upload: libcurl did not start");
}

ServerConnection::~ServerConnection() {
    curl_easy_cleanup(curl_);
}

std::string ServerConnection::remotePath(const std::string& name) const {
    return address_.folder + name;
}

std::string ServerConnection::url(const std::string& name) const {
    std::string scheme;
    switch (address_.protocol) {
        case Protocol::Sftp:
            scheme = "sftp";
            break;
        case Protocol::WebDav:
            scheme = "https";
            break;
        case Protocol::Ftps:  // explicit TLS: ftp:// with the TLS upgrade required
        case Protocol::Ftp:
            scheme = "ftp";
            break;
    }
    const bool ipv6 = address_.host.find(':') != std::string::npos;
    std::string text = scheme + "://" + (ipv6 ? "[" + address_.host + "]" : address_.host) + ":" +
                       std::to_string(address_.port);
    const std::string path = remotePath(name);
    for (std::size_t start = 1; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        text += "/" + Escaped(curl_, path.substr(start, end - start));
        start = end + 1;
    }
    return text;
}

void ServerConnection::prepare() {
    curl_easy_reset(curl_);
    error_[0] = '\0';
    body_.clear();
    bodyTooLarge_ = false;
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, options_.connectSeconds);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, options_.stallSeconds);
    // FTP waits this long for each answer, the one after a failed transfer too.
    curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, options_.stallSeconds);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &ServerConnection::onProgress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Discard);
    // Bigger pieces keep SFTP's pipelined writes full.
    curl_easy_setopt(curl_, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    // The address's own protocol only: no redirect leads elsewhere.
    const char* protocol = address_.protocol == Protocol::Sftp     ? "sftp"
                           : address_.protocol == Protocol::WebDav ? "https"
                                                                   : "ftp";
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, protocol);
    curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS_STR, protocol);
    if (!address_.user.empty()) curl_easy_setopt(curl_, CURLOPT_USERNAME, address_.user.c_str());
    if (options_.password)
        curl_easy_setopt(curl_, CURLOPT_PASSWORD, options_.password->c_str());
    else if (options_.useNetrc)
        curl_easy_setopt(curl_, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    if (!options_.caFile.empty()) curl_easy_setopt(curl_, CURLOPT_CAINFO, options_.caFile.c_str());
    switch (address_.protocol) {
        case Protocol::Sftp: {
            const fs::path knownHosts = options_.sshFolder / "known_hosts";
            curl_easy_setopt(curl_, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
            curl_easy_setopt(curl_, CURLOPT_SSH_KEYFUNCTION, &ServerConnection::onHostKey);
            curl_easy_setopt(curl_, CURLOPT_SSH_KEYDATA, this);
            long methods = CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_AGENT;
            if (options_.password) methods |= CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
            curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES, methods);
            for (const char* key : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
                std::error_code ec;
                if (fs::is_regular_file(options_.sshFolder / key, ec)) {
                    const fs::path keyFile = options_.sshFolder / key;
                    curl_easy_setopt(curl_, CURLOPT_SSH_PRIVATE_KEYFILE, keyFile.c_str());
                    // libssh2 works the public key out of the private one.
                    curl_easy_setopt(curl_, CURLOPT_SSH_PUBLIC_KEYFILE, "");
                    break;
                }
            }
            curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
            break;
        }
        case Protocol::Ftps:
            curl_easy_setopt(curl_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            // libcurl (7.88, Debian 12) closes an upload's data connection
            // right after the last byte; see CloseWhenServerIsDone.
            curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETFUNCTION, &ServerConnection::onCloseSocket);
            curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETDATA, this);
            [[fallthrough]];
        case Protocol::Ftp:
            curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
            break;
        case Protocol::WebDav:
            curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
            break;
    }
}

int ServerConnection::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
    auto* connection = static_cast<ServerConnection*>(self);
    if (connection->options_.keepGoing && !connection->options_.keepGoing(static_cast<std::uint64_t>(sent))) {
        connection->cancelled_ = true;
        return 1;
    }
    return 0;
}

int ServerConnection::onHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                                void* self) {
    auto* connection = static_cast<ServerConnection*>(self);
    const ServerAddress& address = connection->address_;
    const std::string host =
        address.port == 22 ? address.host : "[" + address.host + "]:" + std::to_string(address.port);
    const std::string offered = found ? KeyFingerprint(KeyBlob(*found)) : "(none)";
    switch (match) {
        case CURLKHMATCH_OK:
            return CURLKHSTAT_FINE;
        case CURLKHMATCH_MISSING: {
            const HostKeyQuestion question{host, found ? KeyTypeName(found->keytype) : "unknown", offered};
            if (connection->options_.trustNewHost && connection->options_.trustNewHost(question)) {
                std::error_code ec;
                fs::create_directories(connection->options_.sshFolder, ec);
                ::chmod(connection->options_.sshFolder.c_str(), 0700);
                return CURLKHSTAT_FINE_ADD_TO_FILE;
            }
            connection->hostKeyRefusal_ = "The SSH server " + host +
                                          " is not among the known hosts, and it was " +
                                          "not trusted. Its key is " + question.keyType + " " + offered;
            return CURLKHSTAT_REJECT;
        }
        default: {
            const std::string knownPrint = known ? KeyFingerprint(KeyBlob(*known)) : "(unreadable)";
            connection->hostKeyRefusal_ =
                "The SSH server " + host + " offered another key than the known hosts file holds for it. " +
                "Someone may be listening in, or the server was set up again. Nothing was sent. Known key: " +
                knownPrint + "; offered key: " + offered +
                ". If the change is expected, remove the old key with ssh-keygen -R";
            return CURLKHSTAT_REJECT;
        }
    }
}

int ServerConnection::onCloseSocket(void* self, curl_socket_t socket) {
    // After a complete file the server only reads and closes; one that does
    // neither for a few seconds is gone, and a stalled transfer has been
    // waited for once already.
    const long seconds = std::min(static_cast<ServerConnection*>(self)->options_.stallSeconds, 5L);
    return CloseWhenServerIsDone(socket, seconds);
}

long ServerConnection::responseCode() const {
    long code = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

void ServerConnection::perform(const std::string& what) {
    hostKeyRefusal_.clear();
    const CURLcode result = curl_easy_perform(curl_);
    curl_off_t sent = 0;
    if (curl_easy_getinfo(curl_, CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK && sent > 0)
        bytesSent_ += static_cast<std::uint64_t>(sent);
    long headers = 0;
    if (address_.protocol == Protocol::WebDav &&
        curl_easy_getinfo(curl_, CURLINFO_REQUEST_SIZE, &headers) == CURLE_OK)
        bytesSent_ += static_cast<std::uint64_t>(headers);
    if (result == CURLE_OK) return;
    const std::string server = address_.text();
    if (!hostKeyRefusal_.empty()) throw Error(hostKeyRefusal_);
    std::string reason = error_[0] ? error_ : curl_easy_strerror(result);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '.')) reason.pop_back();
    switch (result) {
        case CURLE_ABORTED_BY_CALLBACK:
            throw Error("The upload was cancelled while " + what);
        case CURLE_LOGIN_DENIED:
            throw Error("The server " + server + " refused the login" +
                        (address_.user.empty() ? "" : " of \"" + address_.user + "\"") +
                        ". Check the user name and the password or key (" + reason + ")");
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            throw Error("The certificate of " + server + " is not trusted, so nothing was sent (" + reason +
                        ")");
        case CURLE_USE_SSL_FAILED:
            throw Error("The server " + server + " does not offer TLS, so nothing was sent (" + reason + ")");
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            throw Error("Cannot connect to " + server + " (" + reason + ")");
        case CURLE_OPERATION_TIMEDOUT:
            throw Error("The server " + server + " stopped answering while " + what + " (" + reason + ")");
        case CURLE_WRITE_ERROR:
            if (bodyTooLarge_) throw Error("The server's listing of " + server + " is larger than 8 MB");
            break;
        default:
            break;
    }
    if (result == CURLE_SSH && reason.find("uthentication") != std::string::npos)
        throw Error("The server " + server + " refused the login of \"" + address_.user +
                    "\". Check the user name and the key or password (" + reason + ")");
    throw Error("The upload to " + server + " failed while " + what + " (" + reason + ")");
}

std::vector<RemoteEntry> ServerConnection::list() {
    prepare();
    std::pair<std::string*, bool*> sink{&body_, &bodyTooLarge_};
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &sink);
    if (address_.protocol != Protocol::WebDav) {
        curl_easy_setopt(curl_, CURLOPT_URL, (url("")).c_str());
        perform("reading the folder");
        return ParseLongListing(body_);
    }
    static const std::string request =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propfind xmlns:D=\"DAV:\"><D:prop>"
        "<D:getcontentlength/><D:resourcetype/></D:prop></D:propfind>";
    HeaderList headers = Append(Append(nullptr, "Depth: 1"), "Content-Type: application/xml");
    curl_easy_setopt(curl_, CURLOPT_URL, url("").c_str());
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "PROPFIND");
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, request.c_str());
    perform("reading the folder");
    const long code = responseCode();
    if (code == 401)
        throw Error("The server " + address_.text() + " refused the login" +
                    (address_.user.empty() ? "" : " of \"" + address_.user + "\"") +
                    ". Check the user name and password");
    if (code == 404) throw Error("The folder " + address_.text() + " does not exist on the server");
    if (code != 207)
        throw Error("The server " + address_.text() + " did not list the folder (HTTP " +
                    std::to_string(code) + "). Is it a WebDAV server?");
    return ParsePropfindListing(body_, address_.folder);
}

void ServerConnection::upload(const fs::path& local, const std::string& name) {
    if (!IsSafeRemoteName(name)) throw Error("The file name \"" + name + "\" cannot be uploaded");
    const std::string temporary = TemporaryRemoteName(name);
    if (address_.protocol == Protocol::WebDav) return uploadWebDav(local, temporary, name);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(local.c_str(), "rb"));
    if (!file) throw Error("Cannot read \"" + local.string() + "\"");
    std::error_code ec;
    const auto size = fs::file_size(local, ec);
    prepare();
    HeaderList after;
    if (address_.protocol == Protocol::Sftp) {
        // SFTP version 3 servers refuse to rename over an existing file, so
        // the old one goes just before: the name is missing for one round
        // trip, never half-written.
        after = Append(std::move(after), "*rm " + Quoted(remotePath(name)));
        after = Append(std::move(after),
                       "rename " + Quoted(remotePath(temporary)) + " " + Quoted(remotePath(name)));
    } else {
        // The renames run in the folder the file went into.
        after = Append(std::move(after), "RNFR " + temporary);
        after = Append(std::move(after), "RNTO " + name);
    }
    curl_easy_setopt(curl_, CURLOPT_URL, url(temporary).c_str());
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_READDATA, file.get());
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(ec ? 0 : size));
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, after.get());
    perform("sending " + name);
}

void ServerConnection::uploadWebDav(const fs::path& local, const std::string& temporary,
                                    const std::string& name) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(local.c_str(), "rb"));
    if (!file) throw Error("Cannot read \"" + local.string() + "\"");
    std::error_code ec;
    const auto size = fs::file_size(local, ec);
    prepare();
    curl_easy_setopt(curl_, CURLOPT_URL, url(temporary).c_str());
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_READDATA, file.get());
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(ec ? 0 : size));
    perform("sending " + name);
    long code = responseCode();
    if (code == 401)
        throw Error("The server " + address_.text() + " refused the login. Check the user name and password");
    if (code < 200 || code > 299)
        throw Error("The server " + address_.text() + " refused " + name + " (HTTP " + std::to_string(code) +
                    ")");
    prepare();
    HeaderList headers = Append(Append(nullptr, "Destination: " + url(name)), "Overwrite: T");
    curl_easy_setopt(curl_, CURLOPT_URL, url(temporary).c_str());
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "MOVE");
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers.get());
    perform("renaming " + name);
    code = responseCode();
    if (code < 200 || code > 299)
        throw Error("The server " + address_.text() + " did not rename the new " + name +
                    " over the old (HTTP " + std::to_string(code) + ")");
}

void ServerConnection::remove(const std::string& name) {
    if (!IsSafeRemoteName(name)) throw Error("The file name \"" + name + "\" cannot be removed");
    prepare();
    if (address_.protocol == Protocol::WebDav) {
        curl_easy_setopt(curl_, CURLOPT_URL, url(name).c_str());
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "DELETE");
        perform("removing " + name);
        const long code = responseCode();
        if ((code < 200 || code > 299) && code != 404)
            throw Error("The server " + address_.text() + " did not remove " + name + " (HTTP " +
                        std::to_string(code) + ")");
        return;
    }
    HeaderList commands;
    if (address_.protocol == Protocol::Sftp) {
        commands = Append(std::move(commands), "rm " + Quoted(remotePath(name)));
        curl_easy_setopt(curl_, CURLOPT_URL, url("").c_str());
        curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl_, CURLOPT_QUOTE, commands.get());
    } else {
        // DELE runs after a short listing of the folder, in that folder.
        commands = Append(std::move(commands), "DELE " + name);
        curl_easy_setopt(curl_, CURLOPT_URL, url("").c_str());
        curl_easy_setopt(curl_, CURLOPT_DIRLISTONLY, 1L);
        curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, commands.get());
    }
    try {
        perform("removing " + name);
    } catch (const Error&) {
        if (cancelled_) throw;
        // Gone already (removed by hand, or by an upload that stopped before
        // it could record it) is as good as removed.
        for (const RemoteEntry& entry : list())
            if (entry.name == name) throw;
    }
}

}  // namespace marivel
