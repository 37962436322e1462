#include "upload/server_address.h"

#include <curl/curl.h>

#include <memory>

#include "model/error.h"

namespace marivel {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextDeleter {
    void operator()(char* text) const { curl_free(text); }
};

// One part of the parsed address; empty when the address has none.
std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* raw = nullptr;
    if (curl_url_get(url, part, &raw, flags) != CURLUE_OK || !raw) return {};
    const std::unique_ptr<char, TextDeleter> owned(raw);
    return raw;
}

bool HasControlCharacter(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

std::string Scheme(Protocol protocol) {
    switch (protocol) {
        case Protocol::Sftp:
            return "sftp";
        case Protocol::Ftps:
            return "ftps";
        case Protocol::WebDav:
            return "https";
        case Protocol::Ftp:
            return "ftp";
    }
    return {};
}

int DefaultPort(Protocol protocol) {
    switch (protocol) {
        case Protocol::Sftp:
            return 22;
        case Protocol::WebDav:
            return 443;
        default:
            return 21;
    }
}

// The address with anything between "://" and the last '@' of its host
// part cut down to the user name.
std::string ServerAddressWithoutPassword(const std::string& url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos) return url;
    const std::size_t hostEnd = std::min(url.find('/', scheme + 3), url.size());
    const std::size_t at = url.rfind('@', hostEnd);
    if (at == std::string::npos || at < scheme) return url;
    const std::size_t colon = url.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at) return url;
    return url.substr(0, colon) + url.substr(at);
}

}  // namespace

bool IsSafeRemoteName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    if (HasControlCharacter(name)) return false;
    return name.find_first_of("/\\") == std::string::npos;
}

std::string ServerAddress::text() const {
    std::string result = Scheme(protocol) + "://";
    if (!user.empty()) result += user + "@";
    const bool ipv6 = host.find(':') != std::string::npos;
    result += ipv6 ? "[" + host + "]" : host;
    if (port != DefaultPort(protocol)) result += ":" + std::to_string(port);
    return result + folder;
}

ServerAddress ParseServerAddress(const std::string& url) {
    // The address as typed is never repeated in a message: it may hold a
    // password.
    const std::string quoted = "\"" + ServerAddressWithoutPassword(url) + "\"";
    if (url.empty()) throw Error("No web server address is given");
    if (HasControlCharacter(url)) throw Error("The web server address holds a control character");
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed) throw Error("Out of memory");
    if (curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS) !=
        CURLUE_OK)
        throw Error("The web server address is not valid. It looks like sftp://user@host/path");
    ServerAddress address;
    const std::string scheme = Part(parsed.get(), CURLUPART_SCHEME);
    if (scheme == "sftp")
        address.protocol = Protocol::Sftp;
    else if (scheme == "ftps")
        address.protocol = Protocol::Ftps;
    else if (scheme == "https")
        address.protocol = Protocol::WebDav;
    else if (scheme == "ftp")
        address.protocol = Protocol::Ftp;
    else
        throw Error("The web server address must begin with sftp://, ftps://, https:// or ftp://, not " +
                    scheme + "://");
    // A password in the address would end up in the settings, the record of
    // uploads and the process list.
    if (!Part(parsed.get(), CURLUPART_PASSWORD).empty())
        throw Error(
            "The web server address holds a password. Leave it out: it is asked for, kept in "
            "the system keyring, or read from ~/.netrc or MARIVEL_UPLOAD_PASSWORD");
    if (!Part(parsed.get(), CURLUPART_QUERY).empty() || !Part(parsed.get(), CURLUPART_FRAGMENT).empty())
        throw Error("The web server address " + quoted + " names a folder, without '?' or '#'");
    address.user = Part(parsed.get(), CURLUPART_USER, CURLU_URLDECODE);
    address.host = Part(parsed.get(), CURLUPART_HOST);
    if (address.host.size() > 2 && address.host.front() == '[' && address.host.back() == ']')
        address.host = address.host.substr(1, address.host.size() - 2);
    if (address.host.empty()) throw Error("The web server address " + quoted + " names no host");
    if (HasControlCharacter(address.user) || address.user.find_first_of("@:/") != std::string::npos)
        throw Error("The user name in the web server address is not valid");
    const std::string port = Part(parsed.get(), CURLUPART_PORT);
    address.port = port.empty() ? DefaultPort(address.protocol) : std::stoi(port);
    // Kept as written ("a/../b" is refused below, not quietly made "b"),
    // and refused when it does not decode.
    char* rawFolder = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_PATH, &rawFolder, CURLU_URLDECODE) != CURLUE_OK || !rawFolder)
        throw Error("The folder in the web server address " + quoted + " is not valid");
    std::string folder = rawFolder;
    curl_free(rawFolder);
    if (folder.empty() || folder.front() != '/') folder.insert(folder.begin(), '/');
    if (folder.back() != '/') folder += '/';
    if (HasControlCharacter(folder) || folder.find('\\') != std::string::npos)
        throw Error("The folder in the web server address holds a control character or a backslash");
    for (std::size_t start = 1; start < folder.size();) {
        const std::size_t end = folder.find('/', start);
        const std::string step = folder.substr(start, end - start);
        if (step == "..") throw Error("The folder in the web server address may not hold \"..\"");
        start = end + 1;
    }
    address.folder = folder;
    return address;
}

}  // namespace marivel
