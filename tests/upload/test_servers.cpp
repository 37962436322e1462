#include "upload/test_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace marivel::test {

namespace fs = std::filesystem;

namespace {

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("no free port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string UserName() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry ? entry->pw_name : "root";
}

// The processes a server started, found through /proc, children first.
void Descendants(pid_t pid, std::vector<pid_t>& found) {
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    pid_t child = 0;
    while (children >> child) Descendants(child, found);
    found.push_back(pid);
}

// Keys and certificates shared by the servers of one test program.
struct Credentials {
    fs::path folder;
    Credentials() {
        std::string pattern = (fs::temp_directory_path() / "marivel-upload-keys-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        folder = pattern;
        const std::string f = folder.string();
        Run("ssh-keygen -q -t ed25519 -N '' -C host -f " + f + "/host_key");
        Run("ssh-keygen -q -t ed25519 -N '' -C other -f " + f + "/other_host_key");
        Run("ssh-keygen -q -t ed25519 -N '' -C user -f " + f + "/id_ed25519");
        Run("cd " + f +
            " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key"
            " -out ca.pem -days 2 -subj '/CN=Marivel Test CA'"
            " && openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key"
            " -out server.csr -subj '/CN=127.0.0.1'"
            " && printf 'subjectAltName=IP:127.0.0.1\\n' > ext"
            " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem"
            " -days 2 -extfile ext"
            " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
            " -keyout stranger.key -out stranger.pem -days 2 -subj '/CN=Stranger CA'");
        Write(
            folder / "htpasswd", "web:" + [&] {
                Run("openssl passwd -apr1 secret > " + f + "/hash");
                std::string hash = ReadBytes(folder / "hash");
                while (!hash.empty() && hash.back() == '\n') hash.pop_back();
                return hash;
            }() + "\n");
    }
    ~Credentials() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const Credentials& Shared() {
    static const Credentials credentials;
    return credentials;
}

}  // namespace

fs::path TestServer::credentials() {
    return Shared().folder;
}

void Run(const std::string& command) {
    const std::string quiet = "(" + command +
                              ") >/tmp/marivel-upload-run.$$ 2>&1 || { cat /tmp/marivel-upload-run.$$; rm -f "
                              "/tmp/marivel-upload-run.$$; exit 1; }; rm -f /tmp/marivel-upload-run.$$";
    if (std::system(quiet.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

TestServer::TestServer(Protocol protocol) : protocol_(protocol) {
    site_ = dir_ / "site";
    sshFolder_ = dir_ / "home" / ".ssh";
    fs::create_directories(sshFolder_);
    const fs::path keys = Shared().folder;
    fs::copy_file(keys / "id_ed25519", sshFolder_ / "id_ed25519");
    Write(sshFolder_ / "known_hosts", "");
    port_ = FreePort();
    switch (protocol) {
        case Protocol::Sftp:
            writeSshd();
            break;
        case Protocol::Ftps:
        case Protocol::Ftp:
            writeVsftpd();
            break;
        case Protocol::WebDav:
            writeNginx();
            break;
    }
    Write(sshFolder_ / "known_hosts", hostKeyLine() + "\n");
    start();
}

TestServer::~TestServer() {
    kill();
    std::error_code ec;
    fs::permissions(dir_ / "ftp", fs::perms::owner_all, ec);
}

void TestServer::writeSshd() {
    fs::create_directories(site_);
    // sshd insists on its privilege separation folder.
    std::error_code ec;
    fs::create_directories("/run/sshd", ec);
    const fs::path keys = Shared().folder;
    fs::copy_file(keys / "id_ed25519.pub", dir_ / "authorized_keys");
    Write(dir_ / "sshd_config",
          "Port " + std::to_string(port_) + "\nListenAddress 127.0.0.1\nHostKey " +
              (keys / "host_key").string() + "\nPidFile " + (dir_ / "sshd.pid").string() +
              "\nAuthorizedKeysFile " + (dir_ / "authorized_keys").string() +
              "\nStrictModes no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
              "PermitRootLogin prohibit-password\nUsePAM no\nSubsystem sftp internal-sftp\n"
              "LogLevel VERBOSE\n");
    command_ = {"/usr/sbin/sshd",
                "-D",
                "-e",
                "-f",
                (dir_ / "sshd_config").string(),
                "-E",
                (dir_ / "server.log").string()};
}

void TestServer::writeVsftpd() {
    // vsftpd serves an anonymous root that must not be writable itself.
    const fs::path root = dir_ / "ftp";
    site_ = root / "site";
    fs::create_directories(site_);
    fs::create_directories(dir_ / "empty");
    const fs::path keys = Shared().folder;
    Write(dir_ / "vsftpd.conf",
          "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(port_) +
              "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nno_anon_password=YES\n"
              "anon_root=" +
              root.string() +
              "\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
              "anon_other_write_enable=YES\nanon_umask=022\npasv_enable=YES\npasv_address=127.0.0.1\n"
              "seccomp_sandbox=NO\nsecure_chroot_dir=" +
              (dir_ / "empty").string() +
              "\nssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
              "require_ssl_reuse=NO\nrsa_cert_file=" +
              (keys / "server.pem").string() + "\nrsa_private_key_file=" + (keys / "server.key").string() +
              "\nvsftpd_log_file=" + (dir_ / "server.log").string() +
              "\nxferlog_enable=YES\nlog_ftp_protocol=YES\n");
    fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    command_ = {"/usr/sbin/vsftpd", (dir_ / "vsftpd.conf").string()};
}

void TestServer::writeNginx() {
    const fs::path root = dir_ / "www";
    site_ = root / "site";
    fs::create_directories(site_);
    fs::create_directories(dir_ / "tmp");
    const fs::path keys = Shared().folder;
    const std::string d = dir_.path().string();
    Write(
        dir_ / "nginx.conf",
        "load_module /usr/lib/nginx/modules/ngx_http_dav_ext_module.so;\n"
        "daemon off;\nmaster_process on;\nworker_processes 1;\n" +
            std::string(::geteuid() == 0 ? "user root;\n" : "") + "pid " + d + "/nginx.pid;\nerror_log " + d +
            "/server.log;\nevents { worker_connections 64; }\nhttp {\n access_log off;\n"
            " client_body_temp_path " +
            d + "/tmp/body;\n proxy_temp_path " + d + "/tmp/proxy;\n fastcgi_temp_path " + d +
            "/tmp/fcgi;\n uwsgi_temp_path " + d + "/tmp/uwsgi;\n scgi_temp_path " + d +
            "/tmp/scgi;\n server {\n  listen 127.0.0.1:" + std::to_string(port_) +
            " ssl;\n  ssl_certificate " + (keys / "server.pem").string() + ";\n  ssl_certificate_key " +
            (keys / "server.key").string() + ";\n  root " + root.string() +
            ";\n  client_max_body_size 0;\n  location / {\n   auth_basic upload;\n   auth_basic_user_file " +
            (keys / "htpasswd").string() +
            ";\n   dav_methods PUT DELETE MKCOL COPY MOVE;\n   dav_ext_methods PROPFIND OPTIONS;\n"
            "   create_full_put_path on;\n  }\n }\n}\n");
    command_ = {"/usr/sbin/nginx", "-c", (dir_ / "nginx.conf").string(), "-p", d};
}

void TestServer::start() {
    std::vector<char*> argv;
    for (std::string& word : command_) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = (dir_ / "stdout.log").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) throw std::runtime_error("cannot start " + command_[0]);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Accepts(port_)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error(command_[0] + " ended at once: " + log());
        }
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error(command_[0] + " did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void TestServer::kill() {
    if (pid_ <= 0) return;
    std::vector<pid_t> processes;
    Descendants(pid_, processes);
    for (const pid_t pid : processes) ::kill(pid, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    // The port is free again once the listening socket is gone.
    for (int k = 0; k < 200 && Accepts(port_); ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void TestServer::pause(bool stopped) {
    if (pid_ <= 0) return;
    std::vector<pid_t> processes;
    Descendants(pid_, processes);
    for (const pid_t pid : processes) ::kill(pid, stopped ? SIGSTOP : SIGCONT);
}

std::string TestServer::url() const {
    const std::string port = std::to_string(port_);
    switch (protocol_) {
        case Protocol::Sftp:
            return "sftp://" + UserName() + "@127.0.0.1:" + port + site_.string() + "/";
        case Protocol::Ftps:
            return "ftps://anonymous@127.0.0.1:" + port + "/site/";
        case Protocol::Ftp:
            return "ftp://anonymous@127.0.0.1:" + port + "/site/";
        case Protocol::WebDav:
            return "https://web@127.0.0.1:" + port + "/site/";
    }
    return {};
}

UploadOptions TestServer::options() const {
    UploadOptions options;
    options.sshFolder = sshFolder_;
    options.caFile = Shared().folder / "ca.pem";
    options.useNetrc = false;
    if (protocol_ == Protocol::WebDav) options.password = "secret";
    options.connectSeconds = 5;
    options.stallSeconds = 5;
    return options;
}

std::string TestServer::hostKeyLine() const {
    std::string key = ReadBytes(Shared().folder / "host_key.pub");
    key = key.substr(0, key.rfind(' '));
    return "[127.0.0.1]:" + std::to_string(port_) + " " + key;
}

std::string TestServer::otherHostKeyLine() const {
    std::string key = ReadBytes(Shared().folder / "other_host_key.pub");
    key = key.substr(0, key.rfind(' '));
    return "[127.0.0.1]:" + std::to_string(port_) + " " + key;
}

std::string TestServer::hostKeyFingerprint() const {
    const fs::path out = dir_ / "fingerprint";
    Run("ssh-keygen -l -E sha256 -f " + (Shared().folder / "host_key.pub").string() + " > " + out.string());
    std::istringstream line(ReadBytes(out));
    std::string bits, print;
    line >> bits >> print;
    return print;
}

std::string TestServer::log() const {
    return ReadBytes(dir_ / "server.log") + ReadBytes(dir_ / "stdout.log");
}

}  // namespace marivel::test
