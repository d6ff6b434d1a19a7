#pragma once

// The file descriptor a directory service hands back for a stream attribute
// (DirectoryService::OpenStream): an anonymous in-memory file holding the
// content, positioned at its start.

#include "client/client.h"

#include <string_view>

namespace veralith::client {

// Writes content into a new anonymous in-memory file and rewinds it; *fd
// receives the descriptor, which the caller closes. ERR_SYSTEM_FAILURE when the
// file cannot be made, written whole or rewound (nothing is left open then).
DirResult OpenContentAsStream(std::string_view content, int* fd);

} // namespace veralith::client
