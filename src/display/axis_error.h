#pragma once
// The axis's exception: a refused value or an index outside the tick list.

#include <stdexcept>

namespace zevrin {

class EAxisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace zevrin
