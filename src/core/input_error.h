// Why an input gives no figures: it was read and refused, or it could not be
// read at all. Every reader (matrices, labels, ratings, reports, maps) gives this.
#pragma once

#include <string>

namespace brennic {

struct InputError {
    enum Kind {
        BadInput,  // read, but not what it should be; the message names the place
        ReadError, // could not be read (or written); the message gives the reason
    } kind = BadInput;
    std::string message;
};

} // namespace brennic
