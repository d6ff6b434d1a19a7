#include "client/ldap/connection.h"

#include "client/ldap/ber.h"
#include "client/ldap/ldap_handles.h"
#include "client/notices.h"
#include "client/schema.h"
#include "client/text_codec.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ldap.h>
#include <thread>

namespace veralith::client::ldap {

namespace {

// The smallest page a paged search asks for when the server refuses larger ones.
constexpr int kSmallestPage = 100;
// A search naps while no entry has arrived once it has delivered this many
// (so that reads of one entry answer without a nap), kNap at a time, at most
// kMaxNaps times in a row before it waits for the server.
constexpr std::uint32_t kStreamingAfter = 64;
constexpr std::chrono::microseconds kNap {300};
constexpr int kMaxNaps = 300;

bool PercentDecode(std::string_view text, std::string* out)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size()) {
                return false;
            }
            const int hi = HexDigitValue(text[i + 1]);
            const int lo = HexDigitValue(text[i + 2]);
            if (hi < 0 || lo < 0) {
                return false;
            }
            decoded.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    *out = std::move(decoded);
    return true;
}

// A number of seconds from 1 to kMaxTimeout; 0 when text is none.
int ParseSeconds(std::string_view text)
{
    int seconds = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, seconds);
    return error == std::errc() && at == end && seconds >= 1 && seconds <= kMaxTimeout ? seconds : 0;
}

std::int64_t SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Wipe(std::string* secret)
{
    volatile char* p = secret->data();
    for (std::size_t i = 0; i < secret->size(); ++i) {
        p[i] = 0;
    }
    secret->clear();
}

std::vector<char*> AttributeArray(const std::vector<std::string>& attributes)
{
    std::vector<char*> array;
    for (const std::string& a : attributes) {
        array.push_back(const_cast<char*>(a.c_str()));
    }
    array.push_back(nullptr);
    return array;
}

bool NameMatches(std::string_view pattern, std::string_view host)
{
    if (pattern.size() > 2 && pattern.substr(0, 2) == "*.") {
        const std::size_t dot = host.find('.');
        return dot != std::string_view::npos && SameTextIgnoreCase(pattern.substr(1), host.substr(dot));
    }
    return SameTextIgnoreCase(pattern, host);
}

// Whether a certificate (its DER encoding) names host: a DNS name or IP
// address of its alternative names, or its subject's common name. The
// encoding is scanned for those elements, as only their presence matters.
bool CertificateNames(std::string_view der, const std::string& host)
{
    unsigned char address[16];
    std::size_t addressSize = 0;
    if (inet_pton(AF_INET, host.c_str(), address) == 1) {
        addressSize = 4;
    } else if (inet_pton(AF_INET6, host.c_str(), address) == 1) {
        addressSize = 16;
    }
    static const std::string_view kCommonName("\x06\x03\x55\x04\x03", 5);
    for (std::size_t i = 0; i + 2 <= der.size(); ++i) {
        const auto tag = static_cast<unsigned char>(der[i]);
        std::size_t at = i;
        if (der.substr(i, kCommonName.size()) == kCommonName && i + kCommonName.size() + 2 <= der.size()) {
            at = i + kCommonName.size(); // the string after the name's type
        } else if (tag != 0x82 && tag != 0x87) {
            continue;
        }
        const auto length = static_cast<unsigned char>(der[at + 1]);
        if (length >= 0x80 || at + 2 + length > der.size()) {
            continue;
        }
        const std::string_view content = der.substr(at + 2, length);
        if (static_cast<unsigned char>(der[at]) == 0x87) {
            if (addressSize != 0 && content.size() == addressSize &&
                std::memcmp(content.data(), address, addressSize) == 0) {
                return true;
            }
        } else if (NameMatches(content, host)) {
            return true;
        }
    }
    return false;
}

// The server's certificate (DER), read over a connection that checks
// nothing and sends nothing but the handshake; empty when none is read.
std::string PeerCertificate(const LdapUrl& url)
{
    LdapHandle session;
    if (ldap_initialize(OutPtr(session), (url.scheme + "://" + url.hostPort).c_str()) != LDAP_SUCCESS) {
        return "";
    }
    LDAP* ld = session.get();
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    timeval timeout {url.timeoutSeconds > 0 ? url.timeoutSeconds : kDefaultTimeout, 0};
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    const int never = LDAP_OPT_X_TLS_NEVER;
    ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &never);
    const int newContext = 0;
    ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &newContext);
    std::string certificate;
    const int rc = url.startTls ? ldap_start_tls_s(ld, nullptr, nullptr) : ldap_connect(ld);
    berval peer {};
    if (rc == LDAP_SUCCESS && ldap_get_option(ld, LDAP_OPT_X_TLS_PEERCERT, &peer) == LDAP_OPT_SUCCESS &&
        peer.bv_val != nullptr) {
        const BerBytes bytes(peer.bv_val);
        certificate.assign(bytes.get(), peer.bv_len);
    }
    return certificate;
}

// libldap reports a failed TLS handshake as a server it cannot contact (or,
// for StartTLS, a connect error), with a diagnostic message from the TLS
// layer that tells a certificate for another name from one whose issuer is
// not trusted.
std::string TlsFailureHint(LDAP* ld, const LdapUrl& url, int rc)
{
    if ((url.scheme != "ldaps" && !url.startTls) || (rc != LDAP_SERVER_DOWN && rc != LDAP_CONNECT_ERROR)) {
        return "";
    }
    const LdapText diagnostic = TextOption(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE);
    if (diagnostic == nullptr) {
        return "";
    }
    const std::string said = diagnostic.get();
    const std::string folded = FoldCase(said);
    std::string host = url.hostPort.substr(0, url.hostPort.rfind(':'));
    if (host.empty()) {
        host = "localhost";
    }
    // The library's words rarely say which check failed: the certificate,
    // read once more unchecked, tells a name it lacks from an issuer.
    const std::string certificate =
        folded.find("does not match") == std::string::npos ? PeerCertificate(url) : std::string();
    if (folded.find("does not match") != std::string::npos ||
        (!certificate.empty() && !CertificateNames(certificate, host))) {
        return "; the TLS handshake failed [" + said + "]: the server's certificate does not name \"" + host +
            "\" (connect by a name the certificate holds)";
    }
    if (!certificate.empty()) {
        return "; the TLS handshake failed [" + said +
            "]: the server's certificate is not issued by a trusted CA (LDAPTLS_CACERT names the CA's file)";
    }
    return "; the TLS handshake failed [" + said +
        "]: is the server's certificate issued by a trusted CA for this name? (LDAPTLS_CACERT names the CA's file)";
}

} // namespace

bool IsLdapSource(std::string_view source)
{
    auto starts = [&](std::string_view prefix) {
        return source.size() >= prefix.size() && SameTextIgnoreCase(source.substr(0, prefix.size()), prefix);
    };
    return starts("ldap://") || starts("ldaps://");
}

bool ParseLdapUrl(std::string_view source, LdapUrl* url, std::string* error)
{
    LdapUrl parsed;
    const std::size_t colon = source.find("://");
    if (!IsLdapSource(source) || colon == std::string_view::npos) {
        *error = "not an LDAP URL (ldap://host[:port]/BASE or ldaps://...)";
        return false;
    }
    parsed.scheme = FoldCase(source.substr(0, colon));
    std::string_view rest = source.substr(colon + 3);
    const std::size_t slash = rest.find_first_of("/?");
    parsed.hostPort = std::string(rest.substr(0, slash));
    if (parsed.hostPort.find('@') != std::string::npos) {
        *error = "user information in the URL is not accepted (VERALITH_LDAP_BINDDN and "
                 "VERALITH_LDAP_PASSWORD_FILE give the bind DN and password)";
        return false;
    }
    if (parsed.hostPort.find_first_of(" ,;") != std::string::npos) {
        *error = "the server part \"" + parsed.hostPort + "\" is not host[:port]";
        return false;
    }
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    std::string_view options;
    if (!rest.empty() && rest.front() == '/') {
        rest.remove_prefix(1);
    }
    if (const std::size_t q = rest.find('?'); q != std::string_view::npos) {
        options = rest.substr(q + 1);
        rest = rest.substr(0, q);
    }
    if (!PercentDecode(rest, &parsed.base)) {
        *error = "the base \"" + std::string(rest) + "\" has a broken %-escape";
        return false;
    }
    while (!options.empty()) {
        const std::size_t end = options.find_first_of("?&");
        std::string option;
        if (!PercentDecode(options.substr(0, end), &option)) {
            *error = "the option \"" + std::string(options.substr(0, end)) + "\" has a broken %-escape";
            return false;
        }
        options = end == std::string_view::npos ? std::string_view() : options.substr(end + 1);
        if (option.empty()) {
            continue;
        }
        if (option == "starttls" || option == "!starttls" || option == "x-starttls") {
            parsed.startTls = true;
        } else if (option.rfind("tree=", 0) == 0) {
            parsed.tree = option.substr(5);
            if (parsed.tree.empty() || parsed.tree.size() > kMaxTreeNameChars || parsed.tree.back() == '_') {
                *error = "the tree name \"" + parsed.tree + "\" is not 1 to 32 characters not ending in \"_\"";
                return false;
            }
        } else if (option.rfind("timeout=", 0) == 0 || option.rfind("searchtime=", 0) == 0) {
            const std::size_t eq = option.find('=');
            const int seconds = ParseSeconds(std::string_view(option).substr(eq + 1));
            if (seconds == 0) {
                *error =
                    "the option \"" + option + "\" is not a number of seconds from 1 to " + std::to_string(kMaxTimeout);
                return false;
            }
            (option[0] == 't' ? parsed.timeoutSeconds : parsed.searchSeconds) = seconds;
        } else {
            *error =
                "unknown option \"" + option + "\" (known: starttls, tree=NAME, timeout=SECONDS, searchtime=SECONDS)";
            return false;
        }
    }
    if (parsed.startTls && parsed.scheme == "ldaps") {
        *error = "starttls is for ldap:// URLs; ldaps:// is encrypted from the start";
        return false;
    }
    *url = std::move(parsed);
    return true;
}

bool ResolveTimeouts(LdapUrl* url, std::string* error)
{
    const struct
    {
        int* seconds;
        const char* variable;
        int fallback;
    } kTimes[] = {{&url->timeoutSeconds, "VERALITH_LDAP_TIMEOUT", kDefaultTimeout},
        {&url->searchSeconds, "VERALITH_LDAP_SEARCH_TIME", kDefaultSearchTime}};
    for (const auto& time : kTimes) {
        if (*time.seconds != 0) {
            continue;
        }
        const char* value = std::getenv(time.variable);
        if (value == nullptr || *value == '\0') {
            *time.seconds = time.fallback;
            continue;
        }
        *time.seconds = ParseSeconds(value);
        if (*time.seconds == 0) {
            *error = std::string(time.variable) + "=\"" + value + "\" is not a number of seconds from 1 to " +
                std::to_string(kMaxTimeout);
            return false;
        }
    }
    return true;
}

Credentials::~Credentials()
{
    Wipe(&password);
}

bool CredentialsFromEnvironment(Credentials* credentials, std::string* error)
{
    if (const char* dn = std::getenv("VERALITH_LDAP_BINDDN"); dn != nullptr) {
        credentials->bindDn = dn;
    }
    if (const char* file = std::getenv("VERALITH_LDAP_PASSWORD_FILE"); file != nullptr && *file != '\0') {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            *error = std::string("cannot read the password file ") + file;
            return false;
        }
        std::getline(in, credentials->password);
        if (!credentials->password.empty() && credentials->password.back() == '\r') {
            credentials->password.pop_back();
        }
    } else if (const char* password = std::getenv("VERALITH_LDAP_PASSWORD"); password != nullptr) {
        credentials->password = password;
    }
    return true;
}

DirResult MapLdapResult(int rc)
{
    switch (rc) {
    case LDAP_SUCCESS:
        return 0;
    case LDAP_NO_SUCH_OBJECT:
    case LDAP_ALIAS_PROBLEM:
    case LDAP_ALIAS_DEREF_PROBLEM:
        return ERR_NO_SUCH_ENTRY;
    case LDAP_NO_SUCH_ATTRIBUTE:
    case LDAP_UNDEFINED_TYPE:
        return ERR_NO_SUCH_ATTRIBUTE;
    case LDAP_INVALID_DN_SYNTAX:
    case LDAP_NAMING_VIOLATION:
        return ERR_INVALID_OBJECT_NAME;
    case LDAP_FILTER_ERROR:
    case LDAP_INAPPROPRIATE_MATCHING:
        return ERR_INVALID_FILTER_SYNTAX;
    case LDAP_NO_MEMORY:
        return ERR_NOT_ENOUGH_MEMORY;
    case LDAP_SIZELIMIT_EXCEEDED:
        return ERR_SIZE_LIMIT_EXCEEDED;
    case LDAP_TIMELIMIT_EXCEEDED:
        return ERR_TIME_LIMIT_EXCEEDED;
    case LDAP_ADMINLIMIT_EXCEEDED:
        return ERR_ADMIN_LIMIT_EXCEEDED;
    case LDAP_REFERRAL:
        return ERR_NO_SUCH_ENTRY;
    case LDAP_OBJECT_CLASS_VIOLATION:
        return ERR_NO_SUCH_CLASS;
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_INAPPROPRIATE_AUTH:
    case LDAP_STRONG_AUTH_REQUIRED:
        return ERR_NO_ACCESS;
    case LDAP_INVALID_CREDENTIALS:
        return ERR_FAILED_AUTHENTICATION;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
    case LDAP_TIMEOUT:
    case LDAP_UNAVAILABLE:
    case LDAP_BUSY:
    case LDAP_UNWILLING_TO_PERFORM:
    case LDAP_LOCAL_ERROR:
    case LDAP_ENCODING_ERROR:
    case LDAP_DECODING_ERROR:
    case LDAP_OTHER:
        return ERR_TRANSPORT_FAILURE;
    default:
        return ERR_SYSTEM_FAILURE;
    }
}

std::string DescribeLdapResult(int rc)
{
    return std::string(ldap_err2string(rc)) + " (" + std::to_string(rc) + ")";
}

bool DescribeLimit(int ldapResult, std::string_view base, std::uint32_t delivered, std::string* text, DirResult* code)
{
    const char* limit = nullptr;
    switch (ldapResult) {
    case LDAP_SIZELIMIT_EXCEEDED:
        limit = "size limit";
        break;
    case LDAP_TIMELIMIT_EXCEEDED:
        limit = "time limit";
        break;
    case LDAP_ADMINLIMIT_EXCEEDED:
        limit = "administrative limit";
        break;
    default:
        return false;
    }
    *code = MapLdapResult(ldapResult);
    *text = std::string("the server's ") + limit + " ended the search of \"" + std::string(base) + "\" after " +
        std::to_string(delivered) + (delivered == 1 ? " entry" : " entries");
    return true;
}

std::shared_ptr<Connection> Connection::Open(const LdapUrl& url, const Credentials& credentials, std::string* error)
{
    // A server that closes the connection must not end the program through
    // SIGPIPE; the failed write is reported as a transport failure instead.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string uri = url.scheme + "://" + url.hostPort;
    const std::string where = url.scheme + "://" + (url.hostPort.empty() ? "localhost" : url.hostPort);
    LdapHandle session;
    if (const int rc = ldap_initialize(OutPtr(session), uri.c_str()); rc != LDAP_SUCCESS) {
        *error = where + ": " + DescribeLdapResult(rc);
        return nullptr;
    }
    LDAP* ld = session.get();
    std::shared_ptr<Connection> connection(new Connection(std::move(session)));
    connection->m_where = where;
    connection->m_timeout = url.timeoutSeconds > 0 ? url.timeoutSeconds : kDefaultTimeout;
    connection->m_searchTime = url.searchSeconds > 0 ? url.searchSeconds : kDefaultSearchTime;
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    // The time-out bounds the connect and each synchronous step (StartTLS,
    // the bind) as it bounds each reply of a search.
    timeval timeout {connection->m_timeout, 0};
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    ldap_set_option(ld, LDAP_OPT_TIMEOUT, &timeout);
    // A plain ldap:// connection never uses TLS: it is spared loading the CA
    // certificates.
    if (url.scheme == "ldaps" || url.startTls) {
        // Certificates are verified: a server whose certificate does not
        // check out is refused.
        const int demand = LDAP_OPT_X_TLS_DEMAND;
        ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
        // The new context would start without the CA the library's settings
        // name (LDAPTLS_CACERT, ldap.conf's TLS_CACERT): they are carried over.
        for (const int option : {LDAP_OPT_X_TLS_CACERTFILE, LDAP_OPT_X_TLS_CACERTDIR}) {
            if (const LdapText value = TextOption(nullptr, option); value != nullptr) {
                ldap_set_option(ld, option, value.get());
            }
        }
        const int newContext = 0;
        ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &newContext);
    }
    if (url.startTls) {
        if (const int rc = ldap_start_tls_s(ld, nullptr, nullptr); rc != LDAP_SUCCESS) {
            *error = where + ": StartTLS failed: " + DescribeLdapResult(rc) + TlsFailureHint(ld, url, rc);
            return nullptr;
        }
    }
    berval cred {};
    std::string password = credentials.password;
    cred.bv_val = password.data();
    cred.bv_len = password.size();
    const char* dn = credentials.bindDn.empty() ? nullptr : credentials.bindDn.c_str();
    const int rc = ldap_sasl_bind_s(ld, dn, LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
    Wipe(&password);
    if (rc == LDAP_SUCCESS) {
        // Replies are read in large blocks rather than message by message:
        // a search of many entries then costs a read per block, not two
        // system calls per entry.
        Sockbuf* sb = nullptr;
        if (ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) == LDAP_OPT_SUCCESS && sb != nullptr) {
            ber_sockbuf_add_io(sb, &ber_sockbuf_io_readahead, LBER_SBIOD_LEVEL_PROVIDER, nullptr);
        }
    }
    if (rc != LDAP_SUCCESS) {
        const std::string hint = TlsFailureHint(ld, url, rc);
        std::string said;
        if (const LdapText diagnostic = hint.empty() ? TextOption(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE) : nullptr;
            diagnostic != nullptr && *diagnostic != '\0') {
            said = std::string(": \"") + diagnostic.get() + "\"";
        }
        *error = where + ": " +
            (dn != nullptr
                    ? "bind as \"" + credentials.bindDn + "\" failed: "
                    : std::string(rc > 0 ? "the server refused the anonymous bind: " : "anonymous bind failed: ")) +
            DescribeLdapResult(rc) + said + hint +
            (dn == nullptr && rc > 0 ? "; give a bind DN in VERALITH_LDAP_BINDDN and its password in "
                                       "VERALITH_LDAP_PASSWORD_FILE"
                                     : "");
        return nullptr;
    }
    return connection;
}

std::vector<std::string> LdapEntry::Values(std::string_view name) const
{
    std::vector<std::string> found;
    AttributeReader reader(attributes);
    for (RawAttribute attribute; reader.Next(&attribute);) {
        if (SameTextIgnoreCase(attribute.type, name)) {
            ValueReader values(attribute.values);
            for (std::string_view value; values.Next(&value);) {
                found.emplace_back(value);
            }
        }
    }
    return found;
}

std::string LdapEntry::First(std::string_view name) const
{
    return std::string(FirstValue(attributes, name));
}

void ReadEntryMessage(LDAP* ld, LDAPMessage* message, LdapEntry* entry)
{
    // The DN and each attribute are taken straight out of the message
    // without decoding their values (the library would build an array per
    // attribute); the attributes are copied as they were encoded.
    entry->dn.clear();
    entry->attributes.clear();
    BerElementPtr decoder;
    berval bv {};
    if (ldap_get_dn_ber(ld, message, OutPtr(decoder), &bv) != LDAP_SUCCESS) {
        return;
    }
    BerElement* ber = decoder.get();
    entry->dn.assign(bv.bv_val != nullptr ? bv.bv_val : "", bv.bv_len);
    // Each attribute is a SEQUENCE; what may follow the list (the message's
    // controls) is not.
    while (ber_peek_element(ber, &bv) == LBER_SEQUENCE) {
        ber_skip_element(ber, &bv);
        AppendBerElement(&entry->attributes, kBerSequence, std::string_view(bv.bv_val, bv.bv_len));
    }
}

DirResult Connection::SearchAll(std::string_view base, int scope, std::string_view filter,
    const std::vector<std::string>& attributes, std::vector<LdapEntry>* entries, bool* retry)
{
    auto search = OpenSearch(base, scope, filter, attributes);
    std::vector<LdapEntry> found;
    while (true) {
        LdapEntry entry;
        bool done = false;
        if (const DirResult rc = search->Next(&entry, &done); rc != 0) {
            if (retry != nullptr) {
                *retry = search->FailedOnStaleConnection();
            }
            return rc;
        }
        if (done) {
            break;
        }
        found.push_back(std::move(entry));
    }
    *entries = std::move(found);
    return 0;
}

std::unique_ptr<PagedSearch> Connection::OpenSearch(
    std::string_view base, int scope, std::string_view filter, std::vector<std::string> attributes, int pageSize)
{
    return std::make_unique<PagedSearch>(
        shared_from_this(), std::string(base), scope, std::string(filter), std::move(attributes), pageSize);
}

PagedSearch::PagedSearch(std::shared_ptr<Connection> connection, std::string base, int scope, std::string filter,
    std::vector<std::string> attributes, int pageSize)
    : m_connection(std::move(connection))
    , m_base(std::move(base))
    , m_scope(scope)
    , m_filter(std::move(filter))
    , m_attributes(std::move(attributes))
    , m_pageSize(pageSize)
    , m_counted(true)
{
    // Busy from the start: no other operation is given the connection
    // between the search's creation and its first page.
    ++m_connection->m_running;
}

PagedSearch::~PagedSearch()
{
    if (m_msgid >= 0 && !m_connection->Lost()) {
        ldap_abandon_ext(m_connection->Handle(), m_msgid, nullptr, nullptr);
    }
    if (m_counted) {
        --m_connection->m_running;
    }
}

DirResult PagedSearch::FinishWith(DirResult rc)
{
    m_finished = rc == 0;
    m_failure = rc;
    if (m_counted) {
        m_counted = false;
        --m_connection->m_running;
    }
    return rc;
}

DirResult PagedSearch::LimitReached(int ldapResult)
{
    std::string text;
    DirResult code = 0;
    DescribeLimit(ldapResult, m_base, m_delivered, &text, &code);
    Notify(m_connection->Where() + ": " + text);
    return code;
}

DirResult PagedSearch::SendPage()
{
    LDAP* ld = m_connection->Handle();
    if (m_deadline == 0) {
        m_deadline = SteadyMilliseconds() + std::int64_t(1000) * m_connection->SearchSeconds();
    } else if (SteadyMilliseconds() >= m_deadline) {
        // A server that never ends its pages is stopped by the search time.
        Notify(m_connection->Where() + ": the search of \"" + m_base + "\" took longer than " +
            std::to_string(m_connection->SearchSeconds()) + " seconds (searchtime=) and was ended after " +
            std::to_string(m_delivered) + (m_delivered == 1 ? " entry" : " entries"));
        return ERR_TIME_LIMIT_EXCEEDED;
    }
    ControlPtr page;
    berval cookie {};
    cookie.bv_val = m_cookie.data();
    cookie.bv_len = m_cookie.size();
    if (const int rc = ldap_create_page_control(ld, m_pageSize, &cookie, 0, OutPtr(page)); rc != LDAP_SUCCESS) {
        return MapLdapResult(rc);
    }
    LDAPControl* controls[] = {page.get(), nullptr};
    std::vector<char*> attrs = AttributeArray(m_attributes);
    const int rc = ldap_search_ext(ld, m_base.c_str(), m_scope, m_filter.c_str(), attrs.data(), 0, controls, nullptr,
        nullptr, LDAP_NO_LIMIT, &m_msgid);
    if (rc != LDAP_SUCCESS) {
        m_msgid = -1;
        if (rc == LDAP_SERVER_DOWN) {
            m_stale = m_delivered == 0 && m_cookie.empty();
            m_connection->MarkLost();
        }
        return MapLdapResult(rc);
    }
    return 0;
}

void PagedSearch::Notify(const std::string& text) const
{
    if (!m_quiet) {
        Notice(text);
    }
}

DirResult PagedSearch::Next(LdapEntry* entry, bool* done)
{
    bool got = false;
    if (m_delivered >= kStreamingAfter) {
        // The server sends each entry as a message of its own, and a client
        // that takes them faster than they come would sleep and wake for
        // every one (most of the time of a long listing goes there). Once
        // entries flow, a short nap lets them gather; a server that sends
        // nothing for a while is waited for with the connection's time-out.
        for (int naps = 0; naps < kMaxNaps; ++naps) {
            if (const DirResult rc = Receive(false, entry, &got, done); rc != 0 || got || *done) {
                return rc;
            }
            std::this_thread::sleep_for(kNap);
        }
    }
    return Receive(true, entry, &got, done);
}

DirResult PagedSearch::Poll(LdapEntry* entry, bool* got, bool* done)
{
    return Receive(false, entry, got, done);
}

DirResult PagedSearch::Receive(bool wait, LdapEntry* entry, bool* got, bool* done)
{
    *got = false;
    if (m_finished) {
        *done = true;
        return 0;
    }
    if (m_failure != 0) {
        return m_failure;
    }
    if (m_connection->Lost()) {
        return FinishWith(ERR_TRANSPORT_FAILURE);
    }
    LDAP* ld = m_connection->Handle();
    while (true) {
        if (m_msgid < 0) {
            if (const DirResult rc = SendPage(); rc != 0) {
                return FinishWith(rc);
            }
        }
        // A zero time-out asks only for what has arrived.
        timeval timeout {wait ? m_connection->TimeoutSeconds() : 0, 0};
        MessagePtr message;
        const int type = ldap_result(ld, m_msgid, LDAP_MSG_ONE, &timeout, OutPtr(message));
        if (type == 0 && !wait) {
            *done = false;
            return 0;
        }
        if (type <= 0) {
            // -1: the connection failed; 0: no reply in time. Either way the
            // search cannot go on, nor can anything else on this connection.
            m_msgid = -1;
            m_connection->MarkLost();
            if (type == 0) {
                Notify(m_connection->Where() + ": no reply within " + std::to_string(m_connection->TimeoutSeconds()) +
                    " seconds (timeout=); the connection is given up");
            } else {
                m_stale = m_delivered == 0 && m_cookie.empty();
            }
            return FinishWith(ERR_TRANSPORT_FAILURE);
        }
        if (type == LDAP_RES_SEARCH_ENTRY) {
            ReadEntryMessage(ld, message.get(), entry);
            ++m_delivered;
            *got = true;
            *done = false;
            return 0;
        }
        if (type == LDAP_RES_SEARCH_REFERENCE) {
            TextList urls;
            const int parsed = ldap_parse_reference(ld, message.get(), OutPtr(urls), nullptr, 0);
            if (parsed == LDAP_SUCCESS && urls != nullptr) {
                for (char** url = urls.get(); *url != nullptr; ++url) {
                    Notify(m_connection->Where() + ": the search of \"" + m_base +
                        "\" met a reference to another server, not followed: " + *url);
                }
            }
            continue;
        }
        if (type != LDAP_RES_SEARCH_RESULT) {
            continue; // intermediate replies are passed over
        }
        int result = LDAP_SUCCESS;
        TextList referrals;
        ControlList serverControls;
        const int parsed = ldap_parse_result(
            ld, message.get(), &result, nullptr, nullptr, OutPtr(referrals), OutPtr(serverControls), 0);
        m_msgid = -1;
        if (parsed != LDAP_SUCCESS) {
            return FinishWith(MapLdapResult(parsed));
        }
        if (referrals != nullptr) {
            for (char** url = referrals.get(); *url != nullptr; ++url) {
                Notify(m_connection->Where() + ": \"" + m_base + "\" is held by another server, not followed: " + *url);
            }
        }
        berval cookie {};
        bool more = false;
        if (result == LDAP_SUCCESS && serverControls != nullptr) {
            if (LDAPControl* control = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, serverControls.get(), nullptr);
                control != nullptr) {
                ber_int_t estimate = 0;
                if (ldap_parse_pageresponse_control(ld, control, &estimate, &cookie) == LDAP_SUCCESS) {
                    const BerBytes bytes(cookie.bv_val);
                    more = cookie.bv_len > 0;
                    m_cookie.assign(bytes != nullptr ? bytes.get() : "", cookie.bv_len);
                }
            }
        }
        if (result == LDAP_ADMINLIMIT_EXCEEDED && m_delivered == 0 && m_cookie.empty() && m_pageSize > kSmallestPage) {
            // Servers may refuse pages larger than they allow (OpenLDAP's
            // size.pr) rather than shorten them: ask again for smaller ones.
            m_pageSize = std::max(kSmallestPage, m_pageSize / 10);
            continue;
        }
        if (result == LDAP_SIZELIMIT_EXCEEDED || result == LDAP_TIMELIMIT_EXCEEDED ||
            result == LDAP_ADMINLIMIT_EXCEEDED) {
            return FinishWith(LimitReached(result));
        }
        if (result != LDAP_SUCCESS) {
            if (result == LDAP_SERVER_DOWN || result == LDAP_UNAVAILABLE) {
                m_connection->MarkLost();
            }
            return FinishWith(MapLdapResult(result));
        }
        if (!more) {
            FinishWith(0);
            *done = true;
            return 0;
        }
    }
}

} // namespace veralith::client::ldap
