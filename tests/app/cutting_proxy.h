#pragma once

// A TCP relay on a loopback port between a program and an LDAP server that
// cuts every connection, and takes no new one, right after it has passed a
// given number of search result entries below one base (the base itself not
// counted) of the subtree searches of that base that ask for attributes (a
// listing of names only is not counted). The
// program has then received exactly that many of those entries, whatever the
// timing of the program, the server or the machine.

#include <atomic>
#include <string>
#include <thread>

namespace veralith::app {

class CuttingProxy
{
public:
    // Relays to serverPort on 127.0.0.1; base is compared ignoring ASCII case.
    CuttingProxy(int serverPort, std::string base, int entriesBeforeCut);
    ~CuttingProxy();
    CuttingProxy(const CuttingProxy&) = delete;
    CuttingProxy& operator=(const CuttingProxy&) = delete;

    // The port to connect to; 0 when the relay could not start.
    int Port() const { return m_port; }
    // True once the connections were cut.
    bool Cut() const { return m_cut; }
    // Entries below the base passed to the program so far.
    int EntriesPassed() const { return m_entries; }

private:
    void Run();

    int m_serverPort;
    std::string m_base;
    int m_entriesBeforeCut;
    int m_listener = -1;
    int m_port = 0;
    int m_stopPipe[2] = {-1, -1};
    std::atomic<bool> m_cut {false};
    std::atomic<int> m_entries {0};
    std::thread m_thread;
};

} // namespace veralith::app
