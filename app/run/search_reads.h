#pragma once

// Tells a context's searches which attributes the reads after them will ask
// for, for the lifetime of the scope; the context's earlier setting comes back
// at its end. A directory that knows this may bring the values with the search
// (LDAP asks for those attributes instead of whole entries). A list too long
// for the context key is not given: the searches then bring what they always
// did, and the answers are the same.

#include "client/client.h"

#include <array>
#include <string>
#include <vector>

namespace veralith::app {

class SearchReadsScope
{
public:
    SearchReadsScope(client::DirContext context, const std::vector<std::string>& attributes)
        : m_context(context)
    {
        m_saved = client::DirGetContext(m_context, client::DCK_SEARCH_READS, m_previous.data()) == 0;
        std::string names;
        for (const std::string& attribute : attributes) {
            names += attribute;
            names.push_back('\n');
        }
        if (client::DirSetContext(m_context, client::DCK_SEARCH_READS, names.c_str()) != 0) {
            client::DirSetContext(m_context, client::DCK_SEARCH_READS, "");
        }
    }
    ~SearchReadsScope()
    {
        client::DirSetContext(m_context, client::DCK_SEARCH_READS, m_saved ? m_previous.data() : "");
    }
    SearchReadsScope(const SearchReadsScope&) = delete;
    SearchReadsScope& operator=(const SearchReadsScope&) = delete;

private:
    client::DirContext m_context;
    std::array<char, client::kNameBufferSize> m_previous {};
    bool m_saved = false;
};

} // namespace veralith::app
