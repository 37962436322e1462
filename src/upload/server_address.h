#pragma once

#include <string>

namespace marivel {

// How the uploader reaches the web server.
enum class Protocol {
    Sftp,    // sftp://, SSH with the host key checked against known_hosts
    Ftps,    // ftps://, FTP with explicit TLS on the control and data channels
    WebDav,  // https://, WebDAV over TLS
    Ftp,     // ftp://, unencrypted: only when the user allowed it
};

// A server folder the user named, as "sftp://user@host[:port]/path". The
// folder is kept percent-decoded and always begins and ends with '/'.
struct ServerAddress {
    Protocol protocol = Protocol::Sftp;
    std::string user;
    std::string host;
    int port = 0;  // the protocol's own port when the address names none
    std::string folder;

    // The address written back, without any password: the key of the
    // uploader's record of what it put there, and what messages show.
    std::string text() const;
    bool encrypted() const { return protocol != Protocol::Ftp; }
};

// Throws Error, saying what is wrong, for an address that is not one of the
// four kinds, names no host, holds a password, a query or a fragment, or
// whose folder holds a ".." step or a control character.
ServerAddress ParseServerAddress(const std::string& url);

// Whether a file name may be written into a server folder or taken from a
// server's listing: one plain name of at most 255 bytes, with no slash or
// backslash, no control character, and not "." or "..".
bool IsSafeRemoteName(const std::string& name);

}  // namespace marivel
