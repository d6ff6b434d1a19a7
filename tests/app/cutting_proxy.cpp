#include "tests/app/cutting_proxy.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdint>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace veralith::app {

namespace {

constexpr std::uint8_t kSearchRequest = 0x63;
constexpr std::uint8_t kSearchResultEntry = 0x64;

// A BER length at pos: its value and the bytes it takes; nothing when the
// buffer does not hold it whole yet.
std::optional<std::pair<std::size_t, std::size_t>> ReadLength(const std::string& buffer, std::size_t pos)
{
    if (pos >= buffer.size()) {
        return std::nullopt;
    }
    const auto first = static_cast<std::uint8_t>(buffer[pos]);
    if (first < 0x80) {
        return std::make_pair(static_cast<std::size_t>(first), std::size_t {1});
    }
    const std::size_t count = first & 0x7F;
    if (count == 0 || count > 4 || pos + 1 + count > buffer.size()) {
        return std::nullopt;
    }
    std::size_t length = 0;
    for (std::size_t i = 0; i < count; ++i) {
        length = (length << 8) | static_cast<std::uint8_t>(buffer[pos + 1 + i]);
    }
    return std::make_pair(length, 1 + count);
}

// Where the BER element at pos ends; nothing when it does not fit.
std::optional<std::size_t> ElementEnd(const std::string& m, std::size_t pos)
{
    const auto length = ReadLength(m, pos + 1);
    if (!length || pos + 1 + length->second + length->first > m.size()) {
        return std::nullopt;
    }
    return pos + 1 + length->second + length->first;
}

// Whether a search request asks for names only (the attribute list "1.1"),
// given where its scope begins: deref, size and time limits, typesOnly and
// the filter come before the attribute list.
bool AsksNamesOnly(const std::string& m, std::size_t scopeAt)
{
    std::optional<std::size_t> pos = scopeAt;
    for (int skip = 0; skip < 6 && pos; ++skip) {
        pos = ElementEnd(m, *pos);
    }
    if (!pos || *pos >= m.size() || static_cast<std::uint8_t>(m[*pos]) != 0x30) {
        return false;
    }
    const std::string oneOne("\x04\x03"
                             "1.1",
        5);
    const auto list = ReadLength(m, *pos + 1);
    return list && list->first == oneOne.size() && m.compare(*pos + 1 + list->second, oneOne.size(), oneOne) == 0;
}

// One LDAP message taken from the front of a buffer.
struct Message
{
    std::string bytes;
    std::uint32_t id = 0;
    std::uint8_t operation = 0;
    std::string searchBase; // of a search request
    int scope = -1; // of a search request: 0 base, 1 one level, 2 subtree
    bool namesOnly = false; // of a search request: it asks for no attribute ("1.1")
    std::string entryName; // of a search result entry
};

std::optional<Message> TakeMessage(std::string& buffer)
{
    const auto outer = ReadLength(buffer, 1);
    if (buffer.empty() || !outer || 1 + outer->second + outer->first > buffer.size()) {
        return std::nullopt;
    }
    Message message;
    const std::size_t end = 1 + outer->second + outer->first;
    message.bytes = buffer.substr(0, end);
    buffer.erase(0, end);
    const std::string& m = message.bytes;
    std::size_t pos = 1 + outer->second;
    const auto idLength = ReadLength(m, pos + 1);
    if (!idLength) {
        return message;
    }
    pos += 1 + idLength->second;
    for (std::size_t i = 0; i < idLength->first && pos < m.size(); ++i, ++pos) {
        message.id = (message.id << 8) | static_cast<std::uint8_t>(m[pos]);
    }
    if (pos >= m.size()) {
        return message;
    }
    message.operation = static_cast<std::uint8_t>(m[pos]);
    const auto opLength = ReadLength(m, pos + 1);
    if ((message.operation == kSearchRequest || message.operation == kSearchResultEntry) && opLength) {
        pos += 1 + opLength->second;
        const auto baseLength = ReadLength(m, pos + 1);
        if (pos < m.size() && baseLength && pos + 1 + baseLength->second + baseLength->first <= m.size()) {
            std::string& name = message.operation == kSearchRequest ? message.searchBase : message.entryName;
            name = m.substr(pos + 1 + baseLength->second, baseLength->first);
            // The scope follows the base: ENUMERATED, one byte.
            const std::size_t scopeAt = pos + 1 + baseLength->second + baseLength->first;
            if (message.operation == kSearchRequest && scopeAt + 2 < m.size() && m[scopeAt] == 0x0a &&
                m[scopeAt + 1] == 0x01) {
                message.scope = static_cast<std::uint8_t>(m[scopeAt + 2]);
                message.namesOnly = AsksNamesOnly(m, scopeAt);
            }
        }
    }
    return message;
}

bool SameIgnoringCase(std::string a, std::string b)
{
    const auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    };
    lower(a);
    lower(b);
    return a == b;
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// One program connection and its server connection.
struct Pair
{
    int program = -1;
    int server = -1;
    std::string fromProgram;
    std::string fromServer;
    std::set<std::uint32_t> searchesBelowBase;
};

} // namespace

CuttingProxy::CuttingProxy(int serverPort, std::string base, int entriesBeforeCut)
    : m_serverPort(serverPort)
    , m_base(std::move(base))
    , m_entriesBeforeCut(entriesBeforeCut)
{
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 8) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

CuttingProxy::~CuttingProxy()
{
    if (m_stopPipe[1] >= 0) {
        static_cast<void>(write(m_stopPipe[1], "x", 1));
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (const int fd : {m_listener, m_stopPipe[0], m_stopPipe[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void CuttingProxy::Run()
{
    std::vector<Pair> pairs;
    // Program connections that were cut: their end is sent (a FIN after the
    // last entry, not a reset that could drop entries the program has not
    // read yet), and whatever the program still sends is read and dropped.
    std::vector<int> draining;
    const auto closeAll = [&] {
        for (const int fd : draining) {
            close(fd);
        }
        draining.clear();
        for (Pair& pair : pairs) {
            for (const int fd : {pair.program, pair.server}) {
                if (fd >= 0) {
                    shutdown(fd, SHUT_RDWR);
                    close(fd);
                }
            }
        }
        pairs.clear();
    };
    while (true) {
        std::vector<pollfd> fds {{m_stopPipe[0], POLLIN, 0}};
        if (!m_cut) {
            fds.push_back({m_listener, POLLIN, 0});
        }
        for (const Pair& pair : pairs) {
            fds.push_back({pair.program, POLLIN, 0});
            fds.push_back({pair.server, POLLIN, 0});
        }
        const std::size_t drainingAt = fds.size();
        for (const int fd : draining) {
            fds.push_back({fd, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            closeAll();
            return;
        }
        for (std::size_t d = draining.size(); d-- > 0;) {
            if (fds[drainingAt + d].revents != 0) {
                char ignored[4096];
                if (recv(draining[d], ignored, sizeof ignored, 0) <= 0) {
                    close(draining[d]);
                    draining.erase(draining.begin() + static_cast<std::ptrdiff_t>(d));
                }
            }
        }
        std::size_t next = 1;
        if (!m_cut && fds[next++].revents != 0) {
            Pair pair;
            pair.program = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            pair.server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<std::uint16_t>(m_serverPort));
            if (pair.program >= 0 && pair.server >= 0 &&
                connect(pair.server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                pairs.push_back(std::move(pair));
            } else {
                for (const int fd : {pair.program, pair.server}) {
                    if (fd >= 0) {
                        close(fd);
                    }
                }
            }
            continue; // the poll set changed
        }
        for (std::size_t p = 0; p < pairs.size() && !m_cut; ++p, next += 2) {
            Pair& pair = pairs[p];
            char chunk[16384];
            bool closed = false;
            if (fds[next].revents != 0) {
                const ssize_t n = recv(pair.program, chunk, sizeof chunk, 0);
                closed = n <= 0;
                pair.fromProgram.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
                while (const std::optional<Message> message = TakeMessage(pair.fromProgram)) {
                    // Subtree searches only: the program's own listings of
                    // names (one level, or of the subtree) are not the search.
                    if (message->operation == kSearchRequest && message->scope == 2 && !message->namesOnly &&
                        SameIgnoringCase(message->searchBase, m_base)) {
                        pair.searchesBelowBase.insert(message->id);
                    }
                    closed = closed || !SendAll(pair.server, message->bytes);
                }
            }
            if (!closed && fds[next + 1].revents != 0) {
                const ssize_t n = recv(pair.server, chunk, sizeof chunk, 0);
                closed = n <= 0;
                pair.fromServer.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
                while (const std::optional<Message> message = TakeMessage(pair.fromServer)) {
                    closed = closed || !SendAll(pair.program, message->bytes);
                    // The base itself may come with the objects below it.
                    if (message->operation == kSearchResultEntry && pair.searchesBelowBase.contains(message->id) &&
                        !SameIgnoringCase(message->entryName, m_base) && ++m_entries >= m_entriesBeforeCut) {
                        m_cut = true;
                        break;
                    }
                }
            }
            if (closed && !m_cut) {
                close(pair.program);
                close(pair.server);
                pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(p));
                break; // the poll set changed
            }
        }
        if (m_cut && !pairs.empty()) {
            for (Pair& pair : pairs) {
                close(pair.server);
                shutdown(pair.program, SHUT_WR);
                draining.push_back(pair.program);
            }
            pairs.clear();
            close(m_listener);
            m_listener = -1;
        }
    }
}

} // namespace veralith::app
