#pragma once

// The directory-access layer: everything the program does with the directory
// client above its raw calls.

#include "directory/error_text.h"
#include "directory/listing.h"
#include "directory/names.h"
#include "directory/schema.h"
#include "directory/startup.h"
