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
        : context_(context)
    {
        saved_ = client::DirGetContext(context_, client::DCK_SEARCH_READS, previous_.data()) == 0;
        std::string names;
        for (const std::string& attribute : attributes) {
            names += attribute;
            names.push_back('\n');
        }
        if (client::DirSetContext(context_, client::DCK_SEARCH_READS, names.c_str()) != 0) {
            client::DirSetContext(context_, client::DCK_SEARCH_READS, "");
        }
    }
    ~SearchReadsScope() { client::DirSetContext(context_, client::DCK_SEARCH_READS, saved_ ? previous_.data() : ""); }
    SearchReadsScope(const SearchReadsScope&) = delete;
    SearchReadsScope& operator=(const SearchReadsScope&) = delete;

private:
    client::DirContext context_;
    std::array<char, client::kNameBufferSize> previous_ {};
    bool saved_ = false;
};

} // namespace veralith::app
