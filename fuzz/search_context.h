#pragma once

// The directory the search fuzz targets run against: the client started once
// on the built-in sample tree, and one context set up like the window's
// search context (name context "[Root]", typeless names).

#include "client/client.h"

#include <cstdlib>

namespace veralith::fuzz {

inline client::DirContext SampleSearchContext()
{
    static const client::DirContext kContext = [] {
        client::SetTreeSources({"builtin:sample"});
        client::DirContext created = client::kNoContext;
        std::uint32_t flags = 0;
        if (client::ClientInit(nullptr, nullptr) != 0 || client::DirCreateContext(&created) != 0 ||
            client::DirGetContext(created, client::DCK_FLAGS, &flags) != 0) {
            std::abort();
        }
        flags |= client::DCV_TYPELESS_NAMES;
        if (client::DirSetContext(created, client::DCK_FLAGS, &flags) != 0 ||
            client::DirSetContext(created, client::DCK_NAME_CONTEXT, "[Root]") != 0) {
            std::abort();
        }
        return created;
    }();
    return kContext;
}

} // namespace veralith::fuzz
