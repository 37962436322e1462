// The uploader against real servers on 127.0.0.1: sshd (SFTP), vsftpd
// (FTPS) and nginx (WebDAV), each with keys and certificates of its own.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <thread>

#include "upload/test_servers.h"
#include "upload/upload_manifest.h"
#include "upload/uploader.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TestServer;
using test::WriteBytes;
using Files = std::map<std::string, std::string>;

std::string Bytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

FileRole RoleOf(const std::string& name) {
    if (name.ends_with(".jpg")) return FileRole::Picture;
    if (name == "tessalinecfg.js") return FileRole::ConfigScript;
    if (name.ends_with(".html")) return FileRole::Page;
    return FileRole::StyleOrEngine;
}

// A save's files: four pictures, engine, stylesheet, configuration script
// and page.
Files FirstSave() {
    Files files;
    for (unsigned k = 0; k < 4; ++k)
        files["slider" + std::to_string(k) + ".jpg"] = Bytes(20000 + 1000 * k, k);
    files["tessaline.js"] = Bytes(10000, 10);
    files["tessaline.css"] = "div { }";
    files["tessalinecfg.js"] = "var images = ['slider0.jpg','slider1.jpg','slider2.jpg','slider3.jpg'];";
    files["Holiday.html"] = "<html>holiday</html>";
    return files;
}

// The files as a failure message can show them: long ones by size and hash.
Files Shown(Files files) {
    for (auto& [name, bytes] : files)
        if (bytes.size() > 80)
            bytes =
                std::to_string(bytes.size()) + " bytes #" + std::to_string(std::hash<std::string>()(bytes));
    return files;
}

// Every plain file in a folder but the uploader's temporary files, shown.
Files Contents(const fs::path& folder) {
    Files files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && !IsTemporaryRemoteName(entry.path().filename().string()))
            files[entry.path().filename().string()] = ReadBytes(entry.path());
    return Shown(files);
}

class UploadTo : public ::testing::TestWithParam<Protocol> {
protected:
    UploadTo() : server(GetParam()) { fs::create_directories(local); }

    // Writes the save into the local folder (only it) and uploads it.
    UploadOutcome upload(const Files& save, UploadOptions options,
                         const std::function<bool(const UploadProgress&)>& progress = {},
                         bool check = false) {
        fs::remove_all(local);
        fs::create_directories(local);
        UploadRequest request{server.address(), local, {}, check, records};
        for (const auto& [name, bytes] : save) {
            WriteBytes(local / name, bytes);
            const UploadedFile hashed = HashFile(local / name);
            request.files.push_back({name, RoleOf(name), hashed.size, hashed.hash});
        }
        std::stable_sort(request.files.begin(), request.files.end(),
                         [](const LocalFile& a, const LocalFile& b) { return a.role < b.role; });
        return Upload(request, std::move(options), progress);
    }
    UploadOutcome upload(const Files& save) { return upload(save, server.options()); }

    TestServer server;
    test::TempDir work;
    fs::path local = work / "local";
    fs::path records = work / "records";
};

std::string Name(const ::testing::TestParamInfo<Protocol>& info) {
    return info.param == Protocol::Sftp ? "Sftp" : info.param == Protocol::Ftps ? "Ftps" : "WebDav";
}

TEST_P(UploadTo, SendsOnlyWhatChangedPicturesFirstPageLast) {
    Files save = FirstSave();
    const UploadOutcome first = upload(save);
    ASSERT_EQ(first.result, UploadOutcome::Result::Complete) << first.error;
    EXPECT_EQ(first.replaced,
              (std::vector<std::string>{"slider0.jpg", "slider1.jpg", "slider2.jpg", "slider3.jpg",
                                        "tessaline.css", "tessaline.js", "tessalinecfg.js", "Holiday.html"}));
    EXPECT_EQ(Contents(server.site()), Shown(save));

    save["slider2.jpg"] = Bytes(30000, 99);
    save["tessalinecfg.js"] += "// new size of slider2";
    save["Holiday.html"] += "<!-- again -->";
    const UploadOutcome second = upload(save);
    ASSERT_EQ(second.result, UploadOutcome::Result::Complete) << second.error;
    EXPECT_EQ(second.replaced, (std::vector<std::string>{"slider2.jpg", "tessalinecfg.js", "Holiday.html"}));
    EXPECT_EQ(Contents(server.site()), Shown(save));
    const std::uint64_t files =
        save["slider2.jpg"].size() + save["tessalinecfg.js"].size() + save["Holiday.html"].size();
    // SFTP and FTP count the files' bytes; WebDAV adds its request headers.
    EXPECT_GE(second.bytesSent, files);
    // WebDAV: a PUT and a MOVE per file, each a few hundred bytes of headers.
    EXPECT_LE(second.bytesSent, files + (GetParam() == Protocol::WebDav ? 6 * 400 : 0));
    std::cout << "[ figures  ] " << Name({GetParam(), 0}) << ": re-upload sent " << second.bytesSent
              << " bytes for " << second.replaced.size() << " files of " << files << " bytes\n";

    // Nothing changed: nothing goes, and no listing needed.
    EXPECT_TRUE(upload(save).replaced.empty());
}

TEST_P(UploadTo, RemovesOnlyTheFilesItsOwnUploadsPutThere) {
    Files save = FirstSave();
    ASSERT_EQ(upload(save).result, UploadOutcome::Result::Complete);
    WriteBytes(server.site() / "mine.txt", "the user's own file");
    WriteBytes(server.site() / "slider7.jpg", "a picture the user put there");
    save.erase("slider3.jpg");
    save["tessalinecfg.js"] = "var images = ['slider0.jpg','slider1.jpg','slider2.jpg'];";
    const UploadOutcome outcome = upload(save);
    ASSERT_EQ(outcome.result, UploadOutcome::Result::Complete) << outcome.error;
    EXPECT_EQ(outcome.replaced, std::vector<std::string>{"tessalinecfg.js"});
    EXPECT_EQ(outcome.removed, std::vector<std::string>{"slider3.jpg"});
    Files expected = save;
    expected["mine.txt"] = "the user's own file";
    expected["slider7.jpg"] = "a picture the user put there";
    EXPECT_EQ(Contents(server.site()), Shown(expected));
    EXPECT_EQ(UploadManifest::Load(records, server.address().text()).files().count("slider3.jpg"), 0u);
}

// How an upload may be cut off in the middle of a big picture.
enum class Cut { ServerKilled, ServerHangs, Cancel };

TEST_P(UploadTo, ACutUploadLeavesEveryFileOldOrNewAndTheNextOneFinishes) {
    for (const Cut cut : {Cut::ServerKilled, Cut::ServerHangs, Cut::Cancel}) {
        // A hung SSH server is given up after the stall time too, but libssh2
        // then spends seconds closing the session: the hang is shown over
        // FTPS and WebDAV, keeping the run short.
        if (cut == Cut::ServerHangs && GetParam() == Protocol::Sftp) continue;
        SCOPED_TRACE(static_cast<int>(cut));
        Files old = FirstSave();
        old["slider1.jpg"] = Bytes(3000, static_cast<unsigned>(cut));
        fs::remove_all(records);
        for (const auto& entry : fs::directory_iterator(server.site())) fs::remove(entry.path());
        ASSERT_EQ(upload(old).result, UploadOutcome::Result::Complete);

        Files save = old;
        save["slider0.jpg"] = Bytes(5000, 50);
        save["slider1.jpg"] = Bytes(3u << 20, 51);  // big enough to be cut halfway
        save["tessalinecfg.js"] += "// bigger slider1";
        UploadOptions options = server.options();
        options.stallSeconds = 1;
        bool cutDone = false;
        const auto started = std::chrono::steady_clock::now();
        const UploadOutcome outcome = upload(save, options, [&](const UploadProgress& progress) {
            if (progress.file != "slider1.jpg" || progress.bytesDone < 5000 + (1u << 20) || cutDone)
                return !cutDone || cut != Cut::Cancel;
            cutDone = true;
            if (cut == Cut::ServerKilled) server.kill();
            if (cut == Cut::ServerHangs) server.pause(true);
            return cut != Cut::Cancel;
        });
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
        ASSERT_TRUE(cutDone);
        EXPECT_EQ(outcome.result, UploadOutcome::Result::Partial);
        EXPECT_EQ(outcome.replaced, std::vector<std::string>{"slider0.jpg"});
        EXPECT_NE(outcome.error.find("Already replaced on the server: slider0.jpg."), std::string::npos)
            << outcome.error;
        if (cut == Cut::ServerHangs) {
            EXPECT_NE(outcome.error.find("stopped answering"), std::string::npos) << outcome.error;
            server.pause(false);
        }
        if (cut == Cut::Cancel) {
            EXPECT_NE(outcome.error.find("cancelled"), std::string::npos) << outcome.error;
        }
        Files expected = old;
        expected["slider0.jpg"] = save["slider0.jpg"];
        EXPECT_EQ(Contents(server.site()), Shown(expected));

        if (cut != Cut::Cancel) {
            server.kill();
            server.start();
        }
        const UploadOutcome next = upload(save);
        ASSERT_EQ(next.result, UploadOutcome::Result::Complete) << next.error << "\n" << server.log();
        EXPECT_EQ(next.replaced, (std::vector<std::string>{"slider1.jpg", "tessalinecfg.js"}));
        EXPECT_EQ(Contents(server.site()), Shown(save));
    }
}

TEST_P(UploadTo, AWrongLoginIsRefusedClearlyAndChangesNothing) {
    UploadOptions options = server.options();
    std::string url = server.url();
    if (GetParam() == Protocol::Sftp) {
        fs::copy_file(TestServer::credentials() / "other_host_key", server.sshFolder() / "id_ed25519",
                      fs::copy_options::overwrite_existing);
    } else if (GetParam() == Protocol::Ftps) {
        url.replace(url.find("anonymous"), 9, "web");  // an anonymous-only server
    } else {
        options.password = "wrong";
    }
    fs::create_directories(local);
    WriteBytes(local / "slider0.jpg", "picture");
    const UploadedFile hashed = HashFile(local / "slider0.jpg");
    const UploadOutcome outcome = Upload({ParseServerAddress(url),
                                          local,
                                          {{"slider0.jpg", FileRole::Picture, hashed.size, hashed.hash}},
                                          false,
                                          records},
                                         options);
    EXPECT_EQ(outcome.result, UploadOutcome::Result::Nothing);
    EXPECT_NE(outcome.error.find("refused the login"), std::string::npos) << outcome.error;
    EXPECT_NE(outcome.error.find("Nothing on the server was changed"), std::string::npos);
    EXPECT_EQ(outcome.error.find("secret"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(server.site()));
    EXPECT_TRUE(UploadManifest::Load(records, ParseServerAddress(url).text()).files().empty());
}

TEST_P(UploadTo, HostileNamesInTheServerFolderAreLeftAlone) {
    // Names that a careless reader of the listing would take for "..", for
    // a path out of the folder, or for a file of the publish.
    const std::vector<std::string> hostile = {std::string(255, 'x'), "a\n-rw-r--r-- 1 0 0 5 Dec 8 23:31 ..",
                                              "..%2F..%2Fescape",    " slider0.jpg",
                                              "&#47;..&#47;..",      "]]><D:href>..",
                                              "slider1.jpg\r"};
    for (const std::string& name : hostile) WriteBytes(server.site() / name, "hostile");
    fs::create_directory(server.site() / "tessalinecfg.js.d");
    const Files save = FirstSave();
    const UploadOutcome outcome = upload(save, server.options(), {}, true);
    ASSERT_EQ(outcome.result, UploadOutcome::Result::Complete) << outcome.error;
    Files expected = save;
    for (const std::string& name : hostile) expected[name] = "hostile";
    EXPECT_TRUE(fs::is_directory(server.site() / "tessalinecfg.js.d"));
    EXPECT_EQ(Contents(server.site()), Shown(expected));
    EXPECT_FALSE(fs::exists(server.site().parent_path() / "escape"));
    EXPECT_FALSE(fs::exists(server.site().parent_path().parent_path() / "escape"));
}

// With the server on the uploader's processor, a picture is written out and
// its connection closed before the server has finished the TLS handshake on
// its side. The server must still get every byte.
TEST_P(UploadTo, PicturesSentBeforeTheServerFinishedItsHandshakeArriveWhole) {
    cpu_set_t before;
    ASSERT_EQ(::sched_getaffinity(0, sizeof before, &before), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(::sched_getcpu(), &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    server.kill();
    server.start();  // on that processor too
    Files save;
    for (unsigned k = 0; k < 3; ++k) save["slider" + std::to_string(k) + ".jpg"] = Bytes(200000, 70 + k);
    const UploadOutcome outcome = upload(save);
    ::sched_setaffinity(0, sizeof before, &before);
    ASSERT_EQ(outcome.result, UploadOutcome::Result::Complete) << outcome.error;
    EXPECT_EQ(Contents(server.site()), Shown(save));
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadTo,
                         ::testing::Values(Protocol::Sftp, Protocol::Ftps, Protocol::WebDav), Name);

// A server that answers after the last byte went out, as a TLS 1.3 server's
// session ticket may, still reads the whole file; one that never closes its
// side is left after the stall time.
TEST(CloseWhenServerIsDoneTest, WaitsForTheServerButNotForever) {
    for (const bool serverCloses : {true, false}) {
        SCOPED_TRACE(serverCloses);
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        // A window smaller than the file: its end is still on this side when
        // the uploader closes.
        const int small = 16 * 1024, large = 1 << 20;
        ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
        ASSERT_EQ(::listen(listener, 1), 0);
        ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        ::setsockopt(client, SOL_SOCKET, SO_SNDBUF, &large, sizeof large);
        ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), size), 0);
        const int server = ::accept(listener, nullptr, nullptr);
        const std::string file = Bytes(256 * 1024, 7);
        ASSERT_EQ(::send(client, file.data(), file.size(), 0), static_cast<ssize_t>(file.size()));
        std::string received;
        ssize_t last = 0;
        int error = 0;
        std::thread peer([&] {
            // By now a socket closed at once is gone.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ::send(server, "ticket", 6, MSG_NOSIGNAL);
            // A busy server reads on a while later, after any reset came back.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            char buffer[4096];
            while ((last = ::recv(server, buffer, sizeof buffer, 0)) > 0)
                received.append(buffer, static_cast<std::size_t>(last));
            error = errno;
            if (serverCloses) ::close(server);
        });
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(CloseWhenServerIsDone(client, 1), 0);
        const auto waited = std::chrono::steady_clock::now() - started;
        peer.join();
        EXPECT_EQ(last, 0) << std::strerror(error);  // the end of the stream, no reset
        EXPECT_EQ(received.size(), file.size());
        EXPECT_GE(waited, std::chrono::milliseconds(serverCloses ? 200 : 1000));
        EXPECT_LT(waited, std::chrono::seconds(3));
        if (!serverCloses) ::close(server);
        ::close(listener);
    }
}

class UploadOverTls : public UploadTo {};

TEST_P(UploadOverTls, RefusesACertificateItDoesNotTrust) {
    for (const fs::path& authority : {TestServer::credentials() / "stranger.pem", fs::path()}) {
        UploadOptions options = server.options();
        options.caFile = authority;
        const UploadOutcome outcome = upload(FirstSave(), options);
        EXPECT_EQ(outcome.result, UploadOutcome::Result::Nothing);
        EXPECT_NE(outcome.error.find("is not trusted"), std::string::npos) << outcome.error;
        EXPECT_TRUE(fs::is_empty(server.site()));
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadOverTls, ::testing::Values(Protocol::Ftps, Protocol::WebDav), Name);

class SftpHostKey : public ::testing::Test {
protected:
    TestServer server{Protocol::Sftp};
    test::TempDir work;
};

TEST_F(SftpHostKey, AnUnknownHostIsAskedAboutAndAChangedKeyIsRefusedBeforeLogin) {
    struct Row {
        const char* what;
        bool otherKeyKnown;
        bool answer;
        bool asked;
        UploadOutcome::Result result;
    };
    const Row rows[] = {
        {"unknown host, not trusted", false, false, true, UploadOutcome::Result::Nothing},
        {"unknown host, trusted", false, true, true, UploadOutcome::Result::Complete},
        {"changed key", true, true, false, UploadOutcome::Result::Nothing},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path local = work / row.what;
        fs::create_directories(local);
        WriteBytes(local / "slider0.jpg", row.what);
        fs::remove(server.site() / "slider0.jpg");
        WriteBytes(server.sshFolder() / "known_hosts",
                   row.otherKeyKnown ? server.otherHostKeyLine() + "\n" : "");
        const std::string logBefore = server.log();
        std::vector<HostKeyQuestion> questions;
        UploadOptions options = server.options();
        options.trustNewHost = [&](const HostKeyQuestion& question) {
            questions.push_back(question);
            return row.answer;
        };
        const UploadedFile hashed = HashFile(local / "slider0.jpg");
        const UploadRequest request{server.address(),
                                    local,
                                    {{"slider0.jpg", FileRole::Picture, hashed.size, hashed.hash}},
                                    false,
                                    work / "records"};
        const UploadOutcome outcome = Upload(request, options);
        EXPECT_EQ(outcome.result, row.result) << outcome.error;
        ASSERT_EQ(questions.size(), row.asked ? 1u : 0u);
        if (row.asked) {
            EXPECT_EQ(questions[0].fingerprint, server.hostKeyFingerprint());
            EXPECT_EQ(questions[0].keyType, "ED25519");
        }
        const std::string known = ReadBytes(server.sshFolder() / "known_hosts");
        if (row.answer && row.asked) {
            EXPECT_EQ(ReadBytes(server.site() / "slider0.jpg"), row.what);
            // Now known: the next upload asks nothing.
            WriteBytes(local / "slider0.jpg", "again");
            const UploadedFile again = HashFile(local / "slider0.jpg");
            UploadRequest next = request;
            next.files[0].size = again.size;
            next.files[0].hash = again.hash;
            EXPECT_EQ(Upload(next, options).result, UploadOutcome::Result::Complete);
            EXPECT_EQ(questions.size(), 1u);
        } else {
            EXPECT_FALSE(fs::exists(server.site() / "slider0.jpg"));
            EXPECT_EQ(known, row.otherKeyKnown ? server.otherHostKeyLine() + "\n" : "");
        }
        if (row.otherKeyKnown) {
            EXPECT_NE(outcome.error.find("offered key: " + server.hostKeyFingerprint()), std::string::npos)
                << outcome.error;
            // Refused before the login: the server never saw a user.
            const std::string log = server.log().substr(logBefore.size());
            EXPECT_EQ(log.find("Accepted"), std::string::npos) << log;
            EXPECT_EQ(log.find("Postponed"), std::string::npos) << log;
        }
    }
}

}  // namespace
}  // namespace marivel
