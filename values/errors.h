#pragma once

// The error the values layer raises for a value it cannot render: a number
// outside its range, a length above what a field can hold, a stream whose
// records break the decoder's limits. The attribute reader turns the message
// into the value's line; stream errors reach the reader's caller.

#include <stdexcept>

namespace veralith::values {

class ValueError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace veralith::values
