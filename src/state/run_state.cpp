#include "state/run_state.h"

#include <memory>

namespace tovrin {

void RunState::reset()
{
    std::destroy_at(this);
    std::construct_at(this);
}

}  // namespace tovrin
